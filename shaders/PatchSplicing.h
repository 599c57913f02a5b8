// Splicing a frame's patch set into the sources of a program's private copy, as text: what a
// patch node adds to the set, and what a drawing node must rebuild. The GL side does the rebuild.
#pragma once
#include <string>
#include <vector>

#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"

// Appends the patch's texts under its hooks and sets its uniforms from inputValues, one value per
// patch input in order; an input already in the set takes the new value.
void addToPatchSet(PatchSet& set, const ShaderPatch& patch, const std::vector<values::MaybeValue>& inputValues);

enum class PatchAction { None, Recompile, RecompileWithPatch };

// Brings target (a copy of source) up to date: copies source's sources into it when they differ
// and decides what to rebuild. Without a set, changed sources call for a plain recompile. With a
// set, the three memo slots (vertex signature, fragment signature, input count, kept by the
// calling node across frames) tell whether the hooks, the input count or the sources changed; if
// so, vertexText and fragmentText receive the patched sources, the memo is updated and the answer
// is RecompileWithPatch.
PatchAction planPatch(const ShaderProgram& source, ShaderProgram& target, const PatchSet* set,
                      values::MaybeValue& vertexMemo, values::MaybeValue& fragmentMemo,
                      values::MaybeValue& countMemo, std::string& vertexText, std::string& fragmentText);
