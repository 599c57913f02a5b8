// The player's load hooks for a project read again while its show plays: textures, fonts and
// samples whose bytes the playing show already holds share its GL texture, opened font or decoded
// sample instead of making their own. Models are left to the checks, which load them.
#pragma once
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "player/PlayerHooks.h"

class Demo;

namespace live {

// Objects the new show shares with the old one until the load is decided: kept, the old show
// forgets them (so releasing it frees only the rest); refused, the new show forgets them.
class Handover {
public:
    template <class T>
    void share(T& given, T& taken) {
        taken = given;
        onKeep_.push_back([&given] { given = T{}; });
        onRefuse_.push_back([&taken] { taken = T{}; });
    }
    // Equal bytes that a shared object reads from while it lives (a font's): kept, the new show
    // holds the very bytes the object was made from.
    template <class T>
    void swapOnKeep(T& old, T& fresh) {
        onKeep_.push_back([&old, &fresh] { std::swap(old, fresh); });
    }
    void keep() { run(onKeep_); }
    void refuse() { run(onRefuse_); }
    // Each record of the old show is shared once at most.
    bool claim(const void* oldRecord) { return claimed_.insert(oldRecord).second; }

private:
    static void run(std::vector<std::function<void()>>& actions);
    std::vector<std::function<void()>> onKeep_, onRefuse_;
    std::set<const void*> claimed_;
};

class ReloadHooks : public PlayerHooks {
public:
    // `previous` may be null (the first load).
    ReloadHooks(Demo* previous, Handover& handover) : PlayerHooks(nullptr), previous_(previous), handover_(handover) {}

    void textureRead(Texture& texture) override;
    void sampleRead(AudioSample& sample) override;
    void fontRead(Font& font) override;
    void modelRead(Model&) override {}

    int kept = 0, made = 0;  // textures, fonts and samples shared with the old show, and made anew

private:
    Demo* previous_;
    Handover& handover_;
};

}  // namespace live
