#include "shaders/PatchSplicingGL.h"

void applyPatchSet(const ShaderProgram& source, ShaderProgram& target, const PatchSet* set,
                   values::MaybeValue& vertexMemo, values::MaybeValue& fragmentMemo, values::MaybeValue& countMemo) {
    std::string vertexText, fragmentText;
    switch (planPatch(source, target, set, vertexMemo, fragmentMemo, countMemo, vertexText, fragmentText)) {
        case PatchAction::None:
            break;
        case PatchAction::Recompile:
            target.recompile();
            break;
        case PatchAction::RecompileWithPatch:
            target.recompileWithPatch(vertexText, fragmentText);
            break;
    }
}
