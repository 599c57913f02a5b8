// What an event's tracks do to the scene its effect draws: camera, light camera, instance count
// and the model's pose.
#pragma once
#include <string>
#include <vector>

class Event;
class Scene;

// Runs inside the effect's draw callback, before each of its passes. Only the event's own tracks
// steer; the camera tracks write into the scene's active camera.
void steerScene(const Event& event, Scene& scene, float x);

// Every track name that steers a scene, for the checks that find tracks no one reads.
std::vector<std::string> sceneTrackNames();
