#pragma once
// A client connection: the connection settings and the connect operation.

#include <functional>
#include <string>

#include "smtp/IdTCPConnection.h"

class TIdTCPClientCustom : public TIdTCPConnection {
  public:
    TIdTCPClientCustom();
    ~TIdTCPClientCustom() override;

    const std::string& Host() const { return host_; }
    void SetHost(const std::string& host) { host_ = host; }
    int Port() const { return port_; }
    // 0-65535 (0: the channel opens without a socket); EIdException otherwise.
    void SetPort(int port);
    // Milliseconds; 0 leaves the channel's own value (no limit).
    int ConnectTimeout() const { return connectTimeout_; }
    void SetConnectTimeout(int milliseconds) { connectTimeout_ = milliseconds; }
    int ReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(int milliseconds) { readTimeout_ = milliseconds; }
    // Milliseconds one write may take; handed to the channel at every connect.
    int WriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(int milliseconds) { writeTimeout_ = milliseconds; }
    // Handed to the channel at every connect: when it turns true, every wait
    // of the connection raises EIdAborted (see TIdIOHandler::SetAbortFlag).
    void SetAbortFlag(const std::atomic<bool>* flag) { abortFlag_ = flag; }
    TIdIPVersion IPVersion() const { return ipVersion_; }
    void SetIPVersion(TIdIPVersion ipVersion) { ipVersion_ = ipVersion; }

    // Opens the connection with the current settings (creating a
    // TIdIOHandlerStack when there is no channel) or raises; a failed connect
    // leaves the channel closed. EIdAlreadyConnected while connected.
    virtual void Connect();

    const std::function<void()>& OnConnected() const { return onConnected_; }
    void SetOnConnected(std::function<void()> handler) { onConnected_ = std::move(handler); }

  private:
    std::string host_;
    int port_ = 0;
    int connectTimeout_ = 0;
    int readTimeout_ = 0;
    int writeTimeout_ = 0;
    const std::atomic<bool>* abortFlag_ = nullptr;
    TIdIPVersion ipVersion_ = Id_IPv4;
    std::function<void()> onConnected_;
};

class TIdTCPClient : public TIdTCPClientCustom {};
