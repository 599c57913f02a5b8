#include "overlay/HeadsUpDisplay.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "overlay/BuiltInFont.h"
#include "show/Demo.h"

namespace overlay {
namespace {

constexpr double kTextPeriod = 0.25;  // seconds between renderings of the text
constexpr float kGraphRangeMs = 50.0f;
constexpr size_t kListedEvents = 6;
constexpr size_t kLongestName = 40;

// Bars above 20 ms (a frame missed at 60 Hz) in red; a line at 60 Hz's frame time.
const char* const kGraphFragment = R"(#version 150
uniform sampler2D times;
uniform int newest;
uniform float rangeMs;
in vec2 uv;
out vec4 colour;
void main() {
    int count = textureSize(times, 0).x;
    int i = min(int(uv.x * float(count)), count - 1);
    float ms = texelFetch(times, ivec2((newest + 1 + i) % count, 0), 0).r;
    float level = (1.0 - uv.y) * rangeMs;
    if (abs(level - 1000.0 / 60.0) < rangeMs * 0.01) colour = vec4(1.0, 1.0, 1.0, 0.6);
    else if (level <= ms) colour = ms > 20.0 ? vec4(1.0, 0.3, 0.2, 0.9) : vec4(0.3, 1.0, 0.4, 0.9);
    else colour = vec4(0.06, 0.03, 0.03, 0.84);
}
)";

std::string format(const char* pattern, double a, double b) {
    char text[96];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

std::string activeEvents(float beat, const Demo& demo) {
    std::string listed;
    size_t count = 0;
    for (const auto& event : demo.events) {
        if (!event || !event->activeAt(beat)) continue;
        if (++count > kListedEvents) continue;
        listed += (count > 1 ? ", " : "") + (event->name.empty() ? "(unnamed)" : cutText(event->name, kLongestName));
    }
    if (count == 0) return "events: none";
    if (count > kListedEvents) listed += " and " + std::to_string(count - kListedEvents) + " more";
    return "events: " + listed;
}

}  // namespace

std::vector<std::string> headsUpLines(float beat, bool paused, const FrameTimes& times, const Demo& demo) {
    const double bar = std::floor(beat / 4.0) + 1.0;
    const double beatInBar = std::floor(beat - (bar - 1.0) * 4.0) + 1.0;
    const double median = times.medianFrame();
    return {
        format("beat %.2f", beat, 0) + format("   bar %.0f.%.0f", bar, beatInBar) + (paused ? "   paused" : ""),
        format("%.1f fps", median > 0.0 ? 1.0 / median : 0.0, 0),
        format("frame  median %.1f ms  99%% %.1f ms", median * 1000.0, times.p99Frame() * 1000.0),
        format("cpu    median %.1f ms  99%% %.1f ms", times.medianCpu() * 1000.0, times.p99Cpu() * 1000.0),
        activeEvents(beat, demo),
    };
}

HeadsUpDisplay::HeadsUpDisplay() : graph_(kGraphFragment) {}

HeadsUpDisplay::~HeadsUpDisplay() { deleteTexture(graphTexture_); }

void HeadsUpDisplay::addFrame(double frameSeconds, double cpuSeconds) {
    times.add(frameSeconds, cpuSeconds);
    newest_ = (newest_ + 1) % graphMs_.size();
    graphMs_[newest_] = float(frameSeconds * 1000.0);
    sinceText_ += frameSeconds;
}

void HeadsUpDisplay::draw(int windowWidth, int windowHeight, float beat, bool paused, const Demo& demo) {
    if (windowWidth <= 0 || windowHeight <= 0) return;
    const int fontSize = readableFontSize(windowHeight);
    if (sinceText_ >= kTextPeriod || textFor_[0] != windowWidth || textFor_[1] != windowHeight) {
        text_.render(headsUpLines(beat, paused, times, demo), fontSize, 0, windowWidth, windowHeight / 2);
        sinceText_ = 0.0;
        textFor_[0] = windowWidth, textFor_[1] = windowHeight;
    }
    const int graphWidth = std::min(windowWidth, std::max(text_.width, int(FrameTimes::kCapacity)));
    const int graphHeight = fontSize * 4;
    const int graphTop = windowHeight - graphHeight;
    OverlayState state(windowWidth, windowHeight);
    text_.draw(0, graphTop - text_.height, windowWidth, windowHeight);
    drawGraph(0, graphTop, graphWidth, graphHeight, windowWidth, windowHeight);
}

void HeadsUpDisplay::drawGraph(int x, int y, int width, int height, int windowWidth, int windowHeight) {
    const GLuint program = graph_.use(x, y, width, height, windowWidth, windowHeight);
    if (!program) return;
    glActiveTexture(GL_TEXTURE0);
    if (!graphTexture_) {
        glGenTextures(1, &graphTexture_);
        glBindTexture(GL_TEXTURE_2D, graphTexture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, GLsizei(graphMs_.size()), 1, 0, GL_RED, GL_FLOAT, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, graphTexture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(graphMs_.size()), 1, GL_RED, GL_FLOAT, graphMs_.data());
    glUniform1i(glGetUniformLocation(program, "newest"), GLint(newest_));
    glUniform1f(glGetUniformLocation(program, "rangeMs"), kGraphRangeMs);
    graph_.draw();
}

}  // namespace overlay
