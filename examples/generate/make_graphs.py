#!/usr/bin/env python3
"""Writes the example show's node graphs, and the scripts they run, into examples/show/project.json.

Graph 0, the root, runs every frame after the timeline: a value event drives a patch; two scripts
turn the beat into the rings' surging motion and the patch's tint colour, a new hue every bar with a
white flash on each beat; rings are
drawn into an off-screen frame buffer and shown, tinted by the patch, in a framed window; a
subgraph turns the beat into a pulse; a macro registered by a self-activating node draws a
pulsing disc when it is called at the end of the chain. Graph 1 is that subgraph."""
import json
import os

PROJECT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "show", "project.json")


class GraphBuilder:
    def __init__(self, first_id):
        self.nodes = []
        self.next_id = first_id

    def take(self):
        self.next_id += 1
        return self.next_id - 1

    def node(self, def_name, inputs=None, **extra):
        n = {"id": self.take(), "entryID": self.take(), "exitID": self.take(), "def": def_name,
             "selfActivating": False, "connections": []}
        if inputs is not None:
            n["inputs"] = [{"hasValue": v is not None, **({"value": v} if v is not None else {})} for v in inputs]
        n.update(extra)
        self.nodes.append(n)
        return n

    def flow(self, a, b):
        a["connections"].append({"id": self.take(), "dst": b["id"], "src_output_idx": -1, "dst_input_idx": -1})

    def data(self, a, output, b, input_index):
        a["connections"].append({"id": self.take(), "dst": b["id"], "src_output_idx": output,
                                 "dst_input_idx": input_index})

    def graph(self, root):
        return {"root": root["id"], "nodes": self.nodes}


def f(x):
    return {"type": 2, "value": float(x)}


def port(value_type, name, default=None):
    p = {"type": value_type, "name": name}
    if default is not None:
        p.update(default_value={"hasValue": True, "value": default}, min_value={"hasValue": False},
                 max_value={"hasValue": False})
    return p


# The rings' shader moves them by beat * speed; the speed that makes that phase surge forward on
# every second beat is the wanted phase divided by the beat.
RING_MOTION = """var phase = 0.5 * beat + 0.35 * sin(beat * 1.5708);
result.speed = beat > 0.01 ? phase / beat : 0.5;"""

# A hue per bar (golden-ratio steps round the colour wheel) flashing towards white on each beat.
BEAT_COLOUR = """var hue = fract(floor(beat / 4) * 0.618) * 6.2831;
var rgb = add3s(mul3s(cos3([hue, hue + 2.0944, hue + 4.1888]), 0.5), 0.5);
result.colour = mix3(rgb, [1, 1, 1], pow(1 - fract(beat), 3) * 0.6);"""


def scripts():
    return [{"name": "ringMotion", "source": RING_MOTION, "inputs": [port(2, "beat", f(0))],
             "outputs": [port(2, "speed")]},
            {"name": "beatColour", "source": BEAT_COLOUR, "inputs": [port(2, "beat", f(0))],
             "outputs": [port(5, "colour")]}]


def root_graph():
    g = GraphBuilder(1)
    time = g.node("Time")
    controls = g.node("controls.event", [f(0)])
    motion = g.node("ringMotion.script", [f(0)])
    colour = g.node("beatColour.script", [f(0)])
    target = g.node("SetFrameBuffer", [{"type": 7, "value": [640, 360]}, {"type": 0, "value": False}])
    rings = g.node("resources/rings.frag", [{"type": 7, "value": [640, 360]}, None, {"type": 0, "value": False},
                                            f(0.5)])
    finish = g.node("ClearFrameBuffer")
    tint = g.node("tint.patch", [{"type": 5, "value": [1.0, 0.35, 0.9]}, f(0)])
    overlay = g.node("resources/overlay.frag")
    pulse = g.node("Subgraph", [f(0)], subgraph_index=1,
                   input_defs=[{"value_type": 2, "name": "a", "default_value": {"hasValue": True, "value": f(0)},
                                "min_value": {"hasValue": False}, "max_value": {"hasValue": False},
                                "step_size": {"hasValue": False}}],
                   output_defs=[{"value_type": 2, "name": "x"}])
    call = g.node("CallMacro", [{"type": 3, "value": "disc"}])
    macro = g.node("Macro", [{"type": 3, "value": "disc"}], selfActivating=True)
    disc = g.node("resources/corner.frag", [None, None, {"type": 0, "value": False}, f(0)])
    g.node("Note", [{"type": 3, "value": "The disc is drawn by the macro 'disc' when CallMacro runs it."}])

    for a, b in [(time, controls), (controls, motion), (motion, colour), (colour, target), (target, rings), (rings, finish), (finish, tint),
                 (tint, overlay), (overlay, pulse), (pulse, call), (macro, disc)]:
        g.flow(a, b)
    g.data(time, 0, controls, 0)
    g.data(controls, 0, tint, 1)
    g.data(time, 0, motion, 0)
    g.data(time, 0, colour, 0)
    g.data(motion, 0, rings, 3)
    g.data(colour, 0, tint, 0)
    g.data(target, 0, finish, 0)
    g.data(target, 0, overlay, 1)
    g.data(time, 0, pulse, 0)
    g.data(pulse, 0, disc, 3)
    return g.graph(time)


def pulse_graph():
    g = GraphBuilder(1000)
    inputs = g.node("SubgraphInputs", output_defs=[{"value_type": 2, "name": "a"}])
    wave = g.node("Operator", [{"type": 1, "value": 17}, f(0), f(0), f(0)])
    outputs = g.node("SubgraphOutputs",
                     input_defs=[{"value_type": 2, "name": "x", "default_value": {"hasValue": True, "value": f(0)},
                                  "min_value": {"hasValue": False}, "max_value": {"hasValue": False},
                                  "step_size": {"hasValue": False}}])
    g.flow(inputs, wave)
    g.flow(wave, outputs)
    g.data(inputs, 0, wave, 1)
    g.data(wave, 0, outputs, 0)
    return g.graph(inputs)


def main():
    with open(PROJECT) as fh:
        project = json.load(fh)
    project["scripts"] = scripts()
    project["graphs"] = [root_graph(), pulse_graph()]
    with open(PROJECT, "w") as fh:
        json.dump(project, fh, indent=1)
        fh.write("\n")


if __name__ == "__main__":
    main()
