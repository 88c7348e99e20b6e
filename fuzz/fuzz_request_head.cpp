// Request heads come from anyone who can reach the server: gathering one must hold to its caps, give the
// same verdict however the bytes are split into reads, and frame a body only within the body cap.

#include "FuzzCheck.h"
#include "http/RequestHead.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::uint64_t kMaxBody = 4096;

struct Gathered {
    CRequestHead::State state;
    std::string text;
    std::size_t taken;
    HeadVerdict verdict;
};

Gathered Gather(std::string_view bytes, std::size_t split)
{
    CRequestHead head(HeadLimits{512, 8});
    std::size_t taken = head.Feed(bytes.substr(0, split));
    if (taken == split)
        taken += head.Feed(bytes.substr(split));
    return {head.Current(), head.Text(), taken, head.Check(kMaxBody)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Gathered whole = Gather(bytes, bytes.size());
    const Gathered split = Gather(bytes, data[0] % (bytes.size() + 1));

    FUZZ_CHECK(whole.taken <= bytes.size() && whole.text.size() <= 512);
    FUZZ_CHECK(bytes.starts_with(whole.text) && whole.taken == whole.text.size());
    FUZZ_CHECK(split.state == whole.state && split.text == whole.text && split.taken == whole.taken);
    FUZZ_CHECK(split.verdict.status == whole.verdict.status && split.verdict.bodyBytes == whole.verdict.bodyBytes);
    if (whole.state == CRequestHead::State::Complete)
        FUZZ_CHECK(whole.text.ends_with("\r\n\r\n") || whole.text.ends_with("\n\r\n"));
    if (whole.state == CRequestHead::State::TooLarge)
        FUZZ_CHECK(whole.verdict.status == 431);
    if (whole.verdict.status == 0)
        FUZZ_CHECK(whole.state == CRequestHead::State::Complete && whole.verdict.bodyBytes <= kMaxBody);
    return 0;
}
