#include "CuttingProxy.h"

CuttingProxy::CuttingProxy(int serverPort)
    : relay_(serverPort, {.pass = [this](std::string_view, bool,
                                         bool isRequest) { return pass(isRequest); },
                          .cutAll = [this] { return cut_.load(); }}) {}

CuttingProxy::~CuttingProxy() = default;

void CuttingProxy::cutOnRequest(int nth) {
    cut_ = false;
    requestsToCut_ = nth;
}

bool CuttingProxy::pass(bool isRequest) {
    if (isRequest && requestsToCut_ > 0 && --requestsToCut_ == 0) {
        cut_ = true;
        return false;
    }
    return true;
}
