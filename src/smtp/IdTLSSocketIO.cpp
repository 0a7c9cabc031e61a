#include "smtp/IdTLSSocketIO.h"

#include <sys/socket.h>

#include <cerrno>

namespace {

struct TSocketIOState {
    int socket = -1;
    bool eof = false;
};

TSocketIOState* State(BIO* bio) {
    return static_cast<TSocketIOState*>(BIO_get_data(bio));
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

int SocketWrite(BIO* bio, const char* data, size_t size, size_t* written) {
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(State(bio)->socket, data, size, MSG_NOSIGNAL);
    if (sent >= 0) {
        *written = static_cast<size_t>(sent);
        return 1;
    }
    if (WouldBlock(errno)) BIO_set_retry_write(bio);
    return 0;
}

int SocketRead(BIO* bio, char* buffer, size_t size, size_t* got) {
    BIO_clear_retry_flags(bio);
    const ssize_t received = ::recv(State(bio)->socket, buffer, size, 0);
    if (received > 0) {
        *got = static_cast<size_t>(received);
        return 1;
    }
    if (received == 0)
        State(bio)->eof = true;
    else if (WouldBlock(errno))
        BIO_set_retry_read(bio);
    return 0;
}

long SocketControl(BIO* bio, int command, long, void*) {
    switch (command) {
        case BIO_CTRL_FLUSH:
            return 1;
        case BIO_CTRL_EOF:
            return State(bio)->eof ? 1 : 0;
        default:
            return 0;
    }
}

int SocketCreate(BIO* bio) {
    BIO_set_data(bio, nullptr);
    BIO_set_init(bio, 0);
    return 1;
}

int SocketDestroy(BIO* bio) {
    delete State(bio);
    BIO_set_data(bio, nullptr);
    return 1;
}

const BIO_METHOD* Method() {
    // Made once; lives as long as the process, like the library's own methods.
    static const BIO_METHOD* method = [] {
        BIO_METHOD* made =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "brivano socket");
        if (made == nullptr) return made;
        BIO_meth_set_write_ex(made, SocketWrite);
        BIO_meth_set_read_ex(made, SocketRead);
        BIO_meth_set_ctrl(made, SocketControl);
        BIO_meth_set_create(made, SocketCreate);
        BIO_meth_set_destroy(made, SocketDestroy);
        return made;
    }();
    return method;
}

}  // namespace

namespace brivano {

BIO* NewSocketIO(int socket) {
    const BIO_METHOD* method = Method();
    if (method == nullptr) return nullptr;
    BIO* bio = BIO_new(method);
    if (bio == nullptr) return nullptr;
    BIO_set_data(bio, new TSocketIOState{socket, false});
    BIO_set_init(bio, 1);
    return bio;
}

}  // namespace brivano
