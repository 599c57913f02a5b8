// libFuzzer entry: any byte string must either load as a show or be rejected with ContentError.
#include <cstddef>
#include <cstdint>

#include "content/ContentError.h"
#include "content/Demo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        Demo demo;
        content::BinaryReader in(data, size);
        try {
            demo.readBinary(in);
        } catch (const content::ContentError&) {
        }
    }
    // Linking passes append node types for every record; start each input from the built-ins.
    Nodes::catalogue() = Nodes::NodeCatalogue();
    return 0;
}
