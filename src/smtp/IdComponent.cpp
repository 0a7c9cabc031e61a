#include "smtp/IdComponent.h"

#include <memory>
#include <mutex>

#include "smtp/IdStackPosix.h"

namespace {

std::mutex gStackLock;
int gLiveCount = 0;
std::unique_ptr<TIdStack> gStack;

}  // namespace

TIdComponent::TIdComponent() {
    std::lock_guard<std::mutex> guard(gStackLock);
    if (gLiveCount == 0) gStack = std::make_unique<TIdStackPosix>();
    ++gLiveCount;
}

TIdComponent::~TIdComponent() {
    std::lock_guard<std::mutex> guard(gStackLock);
    if (--gLiveCount == 0) gStack.reset();
}

int TIdComponent::LiveCount() {
    std::lock_guard<std::mutex> guard(gStackLock);
    return gLiveCount;
}

void TIdComponent::DoStatus(TIdStatus status, const std::string& text) const {
    if (onStatus_) onStatus_(status, text);
}

TIdStack& TIdComponent::Stack() {
    return *gStack;
}
