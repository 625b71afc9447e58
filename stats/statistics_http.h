// The statistics reporter's HTTP exchange: one POST on a new connection, the response head
// read byte by byte, its status, and a bounded reading of the body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/net/socket_utils.h"

namespace orvex {

// The request head: "POST <path> HTTP/1.1", Accept, Host "<host>:<port>", Connection: close,
// the form content type and "Content-Length: <n> " (a blank before the CR LF). It is formatted
// into a buffer of path length + 1,024 bytes; false when it does not fit there.
bool FormatStatisticsRequestHead(const std::string& path, const std::string& host, int port,
                                 size_t bodyLength, std::string& head);

// Where the answer is read from: reads exactly n bytes as readn does (n, fewer when the stream
// ended, -1 on failure). The exchange reads the socket with readn.
using StatisticsByteReader = std::function<long(char* buffer, size_t n)>;

// Reads the response head, one byte at a time, into `buffer` until CR LF CR LF has arrived.
// The head may fill the buffer. Its length, or -1 on end of stream, a failed read or a head
// longer than the buffer.
long ReadStatisticsResponseHead(const StatisticsByteReader& read, char* buffer, size_t capacity);

// The status of a response head: after "HTTP/1.1" (found anywhere in the head, with a CR LF
// somewhere after it), the decimal number after the first blank-separated word. -1 when
// there is no "HTTP/1.1", no CR LF after it, or no number.
int ParseStatisticsStatus(std::string_view head);

// Reads and discards the body of a 2xx answer within the reporter's bounds: a Content-Length
// of 1 to 511, or chunks while each is 1 to 511 bytes and the total stays below 512. Any
// other body is left unread.
void DiscardStatisticsResponseBody(const StatisticsByteReader& read, std::string_view head);

// One exchange: connect (with `timeoutMs` for the connect and for each send and receive),
// send the POST with `body`, read the answer. The head must have come `timeoutMs` after the
// request was sent: a server that trickles it byte by byte is given up then. `stopped` (when
// given) is asked before each read; true gives the exchange up. The status, or -1.
int StatisticsHttpPost(const std::string& host, int port, const std::string& path,
                       const std::string& body, uint32_t timeoutMs,
                       const std::function<bool()>& stopped = {});

}  // namespace orvex
