#include "checks/SceneCheck.h"

#include <GL/glew.h>

#include <algorithm>

#include "content/JsonPositions.h"
#include "graph/Graph.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/SceneGL.h"
#include "show/Demo.h"
#include "timeline/Effect.h"
#include "timeline/Event.h"
#include "checks/ProjectCheck.h"

namespace checks {
namespace {

using content::JsonPositions;

std::string listPath(const char* list, size_t index) { return JsonPositions::child(JsonPositions::child("", list), index); }

Model* modelOf(const Effect* effect) {
    const Scene* scene = effect ? effect->scene : nullptr;
    return scene && scene->root_node ? scene->root_node->model : nullptr;
}

// Instances times the model's largest draw, against the bound the player cuts them to.
void checkInstances(double instances, const Model& model, const std::string& entry, const char* what,
                    ProjectCheck& findings) {
    const int32_t largest = model.largestDrawCount();
    if (largest <= 0 || !(instances * double(largest) > double(kMaxDrawElements))) return;
    findings.add(entry, findings.describe(entry) + ": " + what + " " + std::to_string(int64_t(instances)) +
                            " times a draw of " + std::to_string(largest) + " elements of model \"" + model.name +
                            "\" passes the " + std::to_string(kMaxDrawElements) +
                            " one draw may submit; the player draws fewer instances");
}

void checkEvents(const Demo& demo, ProjectCheck& findings) {
    for (size_t i = 0; i < demo.events.size(); ++i) {
        const Event& event = *demo.events[i];
        const Model* model = modelOf(event.effect);
        const Track* track = event.findTrack("render_instances");
        if (!model || !track || track->points.empty()) continue;
        float most = track->points[0].value;
        for (const ControlPoint& p : track->points) most = std::max(most, p.value);
        checkInstances(most, *model, listPath("events", i), "\"render_instances\" reaches", findings);
    }
}

// Constant inputs only: model index 0, instances 1, setInstances 3.
void checkModelOptions(const Demo& demo, ProjectCheck& findings) {
    for (size_t g = 0; g < demo.graphs.size(); ++g) {
        const auto& nodes = demo.graphs[g]->nodes;
        for (size_t n = 0; n < nodes.size(); ++n) {
            const Nodes::ValueList& in = nodes[n]->inputs;
            if (nodes[n]->defName != "ModelOptions" || in.size() < 4 || !in[0].hasValue || !in[1].hasValue) continue;
            const int32_t index = in[0].value.asInt();
            if (index < 0 || size_t(index) >= demo.models.size()) continue;
            const std::string entry = JsonPositions::child(JsonPositions::child(listPath("graphs", g), "nodes"), n);
            checkInstances(in[1].value.asInt(), *demo.models[size_t(index)], entry, "\"instances\"", findings);
        }
    }
}

// Inputs take units 0 to 15 at most; the scene's six follow them.
void checkSceneUnits(const Demo& demo, ProjectCheck& findings) {
    GLint available = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &available);
    for (size_t i = 0; i < demo.effects.size(); ++i) {
        const Effect& e = *demo.effects[i];
        if (!e.scene) continue;
        const size_t inputs = e.feedback + e.textures.size() + e.fontTextures.size() + e.effects.size() + e.screen_texture;
        const int end = scene::sceneUnitsEnd(int(std::min<size_t>(inputs, 16)));
        if (end <= available) continue;
        const std::string entry = listPath("effects", i);
        findings.add(entry, findings.describe(entry) + ": its inputs and its scene need " + std::to_string(end) +
                                " texture units, but this GL offers " + std::to_string(available) +
                                "; the player does not draw the scene");
    }
}

}  // namespace

void checkSceneLimits(const Demo& demo, ProjectCheck& findings) {
    checkEvents(demo, findings);
    checkModelOptions(demo, findings);
    checkSceneUnits(demo, findings);
}

}  // namespace checks
