// Private copies of a show's programs that drawing nodes patch and rebuild on their own, and the
// upload of the frame's patch inputs into them.
#pragma once
#include <memory>

class ShaderProgram;
struct PatchSet;

namespace Nodes {

// A built copy made from the program's JSON form with both sources embedded.
std::unique_ptr<ShaderProgram> privateCopy(const ShaderProgram& source);

// Each input of the set goes to the uniform of its name by its type, textures on units from unit
// upward; names the program lacks are skipped. Returns the next free unit.
int uploadPatchInputs(const ShaderProgram& program, const PatchSet& set, int unit);

}  // namespace Nodes
