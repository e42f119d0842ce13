// Feeds arbitrary bytes to the FAQ.txt reader: it must neither crash nor lose the rule that
// every line of the body is preceded by CR LF.
#include "app/faq_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body =
        zt4::FaqBodyFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    if (size == 0 && !body.empty())
        std::abort();
    if (!body.empty() && body.compare(0, 2, "\r\n") != 0)
        std::abort();
    return 0;
}
