// Arbitrary answers of a statistics server into the response-head reader, the status parser
// and the bounded body reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/statistics_http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    orvex::ParseStatisticsStatus(input);

    size_t at = 0;
    orvex::StatisticsByteReader read = [&](char* buffer, size_t n) {
        size_t count = std::min(n, input.size() - at);
        input.copy(buffer, count, at);
        at += count;
        return static_cast<long>(count);
    };
    std::vector<char> head(2048, '\0');
    long length = orvex::ReadStatisticsResponseHead(read, head.data(), head.size());
    if (length > 0) {
        std::string_view answer(head.data(), static_cast<size_t>(length));
        int status = orvex::ParseStatisticsStatus(answer);
        if (status >= 200 && status <= 299) {
            size_t before = at;
            orvex::DiscardStatisticsResponseBody(read, answer);
            // At most 511 chunks below 512 bytes in all, each size line under 512 bytes.
            if (at - before > 512 * 512 + 2048) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
