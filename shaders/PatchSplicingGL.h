// The rebuild that follows patch splicing: a program's private copy recompiled from the
// frame's patch set when its sources, hooks or input count changed.
#pragma once
#include "shaders/PatchSplicing.h"

// Brings target, the private copy of source, up to date with the set (null: no set) and rebuilds
// it when needed; the memo slots are planPatch's, kept by the calling node across frames.
void applyPatchSet(const ShaderProgram& source, ShaderProgram& target, const PatchSet* set,
                   values::MaybeValue& vertexMemo, values::MaybeValue& fragmentMemo, values::MaybeValue& countMemo);
