#!/usr/bin/env python3
"""Adds the example show's 3D stage to examples/show/project.json: two scene effects with one
camera, a light that follows it, and the models of tools/make_models.py. The cubes slide and hop
through their node animations; the skinned bar bends one way on a beat and back on the next. Run
again after changing it: the stage's entries are replaced, nothing else is touched."""
import json
import os

PROJECT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "show", "project.json")
START, END = 4.0, 64.0
PROGRAM = "resources/stage.frag"
CUBES, BAR = "resources/cubes_animated.glb", "resources/bar_skinned.glb"


def track(*points, mode=1):
    return {"mode": mode, "repeat": False,
            "control_points": [{"beat": float(b), "value": float(v)} for b, v in points]}


def constant(value):
    return track((0, value))


def scene(name, model, camera_scene=None):
    s = {"name": name, "root_node": {"name": name, "model": model}, "camera_scene_only_direction": False,
         "camera": {"position": [5.0, 3.0, 7.0], "direction": [0.0, 0.5, 0.0], "up": [0.0, 1.0, 0.0],
                    "aspect": 16.0 / 9.0, "fov": 45.0, "znear": 0.1, "zfar": 100.0, "direction_mode": False}}
    if camera_scene:
        s["camera_scene"] = camera_scene
    return s


def effect(name):
    return {"name": name, "program": PROGRAM, "textures": [], "effects": [], "feedback": False,
            "screen_texture": False, "scene": name}


# Both scenes' light cameras sit 15 units from the camera towards the light, (1, 1, 1) as the
# shader's uLightDir; the animation position counts half a cycle per beat.
def stage_tracks(animation_index):
    span = END - START
    return {"ldX": constant(0.57735), "ldY": constant(0.57735), "ldZ": constant(0.57735), "ldD": constant(15),
            "animation_index": constant(animation_index), "animation_position": track((0, 0), (span, span / 2))}


def events():
    cubes = {"type": 1, "name": "stage_cubes", "effect": "stage_cubes", "start_beat": START, "end_beat": END,
             "visible": "true", "control_points": stage_tracks(3)}  # both animations: bits 0 and 1
    # The camera swings round from the right to the front; the bar's scene borrows it.
    cubes["control_points"].update(camera_position_x=track((0, 6), (END - START, -2), mode=2),
                                   camera_position_z=track((0, 6), (END - START, 7.5), mode=2))
    bar = {"type": 1, "name": "stage_bar", "effect": "stage_bar", "start_beat": START, "end_beat": END,
           "visible": "true", "control_points": stage_tracks(0)}
    bar["control_points"]["skinned"] = constant(1)
    return [cubes, bar]


def replace(items, new, key="name"):
    names = {n[key] for n in new}
    kept = [i for i in items if i.get(key) not in names]
    return kept, new


def main():
    with open(PROJECT) as fh:
        project = json.load(fh)
    project["shaders"] = [s for s in project["shaders"] if s["fragment_shader_filename"] != PROGRAM] + [
        {"vertex_shader_filename": "resources/stage.vert", "fragment_shader_filename": PROGRAM,
         "uniform_defs": [{"name": "skinned", "min_val": 0.0, "max_val": 1.0, "default_val": 0.0}]}]
    kept, new = replace(project["models"], [{"name": CUBES}, {"name": BAR}])
    project["models"] = kept + new
    kept, new = replace(project["scenes"], [scene("stage_cubes", CUBES), scene("stage_bar", BAR, "stage_cubes")])
    project["scenes"] = kept + new
    kept, new = replace(project["effects"], [effect("stage_cubes"), effect("stage_bar")])
    project["effects"] = kept + new
    # Right after the background, so that everything else of the show draws over the stage.
    kept, new = replace(project["events"], events())
    at = next((i + 1 for i, e in enumerate(kept) if e.get("name") == "background"), 0)
    project["events"] = kept[:at] + new + kept[at:]
    with open(PROJECT, "w") as fh:
        json.dump(project, fh, indent=1)
        fh.write("\n")


if __name__ == "__main__":
    main()
