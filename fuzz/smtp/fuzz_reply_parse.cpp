// Server bytes read as SMTP replies until the peer's close: only the
// transport's own exceptions may come out, and every parsed reply is sound.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "MemoryIOHandler.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdTCPConnection.h"

namespace {

class TSmtpConnection : public TIdTCPConnection {
  public:
    TSmtpConnection() { SetLastReply(std::make_unique<TIdReplySMTP>()); }
};

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckReply(const TIdReplySMTP& reply, int code) {
    Require(code == reply.NumericCode());
    Require(code >= 100 && code <= 999);
    Require(!reply.Text().empty());
    for (const auto& line : reply.Text()) Require(line.find('\n') == std::string::npos);
    const std::string enhanced = reply.EnhancedCode().ReplyAsStr();
    Require(enhanced.size() <= 9);
    Require(reply.EnhancedCode().Available == !enhanced.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TSmtpConnection connection;
    auto channel = std::make_unique<TMemoryIOHandler>();
    TMemoryIOHandler& memory = *channel;
    memory.Feed(std::string(reinterpret_cast<const char*>(data), size));
    memory.Open();
    connection.SetIOHandler(std::move(channel));
    // Every reply consumes at least one line, so this ends.
    for (size_t replies = 0; replies <= size; ++replies) {
        try {
            CheckReply(static_cast<const TIdReplySMTP&>(connection.LastReply()),
                       connection.ReadReply({}));
        } catch (const EIdConnClosedGracefully&) {
            break;
        } catch (const EIdReadLnMaxLineLengthExceeded&) {
            break;
        } catch (const EIdReplyTooLarge&) {
            // Past the reply caps the client gives up the connection.
            break;
        } catch (const EIdException& e) {
            // An invalid code: the reply was consumed and left empty.
            Require(connection.LastReply().Code().empty());
            Require(connection.LastReply().Text().empty());
        }
    }
    return 0;
}
