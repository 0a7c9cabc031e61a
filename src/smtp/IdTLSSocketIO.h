#pragma once
// The byte path between the TLS engine and a non-blocking socket. The
// library's own socket path writes with write(), which raises SIGPIPE when
// the peer has gone; this one sends with MSG_NOSIGNAL, so a vanished server is
// an error of the send like on the plain channel.

#include <openssl/bio.h>

namespace brivano {

// A new I/O object over the socket (not owning it); null when out of memory.
BIO* NewSocketIO(int socket);

}  // namespace brivano
