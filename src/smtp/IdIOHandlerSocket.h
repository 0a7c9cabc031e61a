#pragma once
// A channel over one socket. Opening it with a host and a port creates, binds
// and connects the socket; with an empty host it opens without one.

#include <memory>

#include "smtp/IdIOHandler.h"
#include "smtp/IdSocketHandle.h"

class TIdIOHandlerSocket : public TIdIOHandler {
  public:
    TIdIOHandlerSocket();
    ~TIdIOHandlerSocket() override;

    TIdSocketHandle& Binding() { return *binding_; }
    const TIdSocketHandle& Binding() const { return *binding_; }
    // TCP_NODELAY is set to the negation: Nagle's algorithm stays on by default.
    bool UseNagle() const { return useNagle_; }
    void SetUseNagle(bool useNagle) { useNagle_ = useNagle; }

    void Open() override;

  protected:
    // Finds the numeric address of the host (notifying as it goes).
    virtual std::string ResolveHost(const std::string& host) = 0;
    // Creates, binds and connects the socket to Host and Port.
    virtual void ConnectClient();

    bool SourceAllocated() const override { return binding_->HandleAllocated(); }
    void CloseSource() override { binding_->CloseSocket(); }

  private:
    std::unique_ptr<TIdSocketHandle> binding_;
    bool useNagle_ = true;
};
