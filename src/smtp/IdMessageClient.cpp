#include "smtp/IdMessageClient.h"

#include "exception/IdException.h"
#include "mailing/CorpoMisto.h"

TIdMessageClient::TIdMessageClient() = default;

TIdMessageClient::~TIdMessageClient() = default;

void TIdMessageClient::WriteMessage(TIdMessage& message) {
    TIdIOHandler* io = IOHandler();
    if (io == nullptr) throw EIdNotConnected("Not connected.");
    message.BuildHeaderLines();
    io->WriteLines(message.LastGeneratedHeaders().Lines());
    io->WriteLn();
    const brivano::TBodyForm body(message.Body(), ChooseHeaderCharset(message));
    if (!message.Attachments().empty()) {
        io->Write(brivano::CorpoMisto(message, body));
        io->WriteLn();
        return;
    }
    for (const auto& line : body.Lines()) {
        // Dot-stuffing (RFC 5321 §4.5.2): a line starting with "." gets one
        // more, so "." alone can end the data:  C: ..end  ->  S reads ".end".
        if (!line.empty() && line.front() == '.')
            io->WriteLn("." + line);
        else
            io->WriteLn(line);
    }
    io->WriteLn();
}
