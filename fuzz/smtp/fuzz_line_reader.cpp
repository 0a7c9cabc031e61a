// Line reading over the in-memory channel with fuzzed limits and receive
// sizes: the lines read, with their terminators, must be exactly the bytes
// that went in, in order, and nothing may be lost when a line is too long.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "MemoryIOHandler.h"
#include "exception/IdException.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    TMemoryIOHandler channel;
    const int maxLine = data[0] % 48;  // 0: no limit
    channel.SetMaxLineLength(maxLine);
    channel.SetMaxLineAction(data[1] & 1 ? maSplit : maException);
    channel.SetRecvBufferSize(1 + data[1] / 2);
    // Each 0xFF byte of the rest ends one chunk of the script.
    std::string input;
    std::string chunk;
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == 0xFF) {
            channel.Feed(chunk);
            input += chunk;
            chunk.clear();
        } else {
            chunk += static_cast<char>(data[i]);
        }
    }
    channel.Feed(chunk);
    input += chunk;
    channel.Open();

    size_t cursor = 0;
    for (size_t reads = 0; reads <= input.size() + 1; ++reads) {
        std::string line;
        try {
            line = channel.ReadLn();
        } catch (const EIdConnClosedGracefully&) {
            // Only a partial line may be left, and it is kept whole.
            Require(channel.InputBuffer()->View() == std::string_view(input).substr(cursor));
            Require(input.find('\n', cursor) == std::string::npos);
            return 0;
        } catch (const EIdReadLnMaxLineLengthExceeded&) {
            Require(maxLine > 0);
            Require(input.compare(cursor, channel.InputBuffer()->Size(),
                                  channel.InputBuffer()->View()) == 0);
            channel.SetMaxLineAction(maSplit);
            continue;
        }
        Require(line.find('\n') == std::string::npos);
        Require(input.compare(cursor, line.size(), line) == 0);
        cursor += line.size();
        if (channel.ReadLnSplit()) {
            Require(static_cast<int>(line.size()) == maxLine);
            continue;
        }
        if (maxLine > 0) Require(line.size() <= static_cast<size_t>(maxLine));
        if (cursor < input.size() && input[cursor] == '\r') ++cursor;
        Require(cursor < input.size() && input[cursor] == '\n');
        ++cursor;
    }
    std::abort();  // more reads than bytes: the reader went round in circles
}
