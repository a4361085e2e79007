// libFuzzer's entry points for one target; KESTROW_FUZZ_TARGET names the
// target function (see CMakeLists.txt).

#include "fuzztargets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KestrowFuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { return KestrowFuzz::KESTROW_FUZZ_TARGET(data, size); }
