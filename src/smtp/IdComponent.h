#pragma once
// Base of every transport object. The live objects of the process share one
// socket-library object (TIdStack): the first one to be created makes it, the
// last one to go frees it, under one process-wide lock.

#include <functional>
#include <string>

class TIdStack;

enum TIdStatus { hsResolving, hsConnecting, hsConnected, hsDisconnecting, hsDisconnected };

// Status observer: the new state and a text (host, peer address, or empty).
using TIdStatusEvent = std::function<void(TIdStatus, const std::string&)>;

class TIdComponent {
  public:
    TIdComponent();
    virtual ~TIdComponent();
    TIdComponent(const TIdComponent&) = delete;
    TIdComponent& operator=(const TIdComponent&) = delete;

    const TIdStatusEvent& OnStatus() const { return onStatus_; }
    void SetOnStatus(TIdStatusEvent handler) { onStatus_ = std::move(handler); }

    // Number of live transport objects in the process.
    static int LiveCount();

  protected:
    void DoStatus(TIdStatus status, const std::string& text = std::string()) const;
    // The shared socket-library object; exists while any transport object lives.
    static TIdStack& Stack();

  private:
    TIdStatusEvent onStatus_;
};
