#include "CallPurpose.h"

#include "OperationHost.h"
#include "common/OperatorTexts.h"

QString cancelQuestion(const std::optional<CallPurpose>& purpose) {
    switch (purpose ? purpose->kind : CallPurpose::Kind::Statement) {
        case CallPurpose::Kind::Connect:
            return texts::kCancelConnectQuestion;
        case CallPurpose::Kind::BackUp:
            return texts::kCancelBackUpQuestion;
        case CallPurpose::Kind::Restore:
            return texts::kCancelRestoreQuestion;
        case CallPurpose::Kind::CleanUp:
            return texts::kCancelCleanUpQuestion;
        case CallPurpose::Kind::Statement:
            return texts::kCancelStatementQuestion;
    }
    return texts::kCancelStatementQuestion;
}

CallPurposeScope::CallPurposeScope(OperationHost& host, const CallPurpose& purpose) : host_(host) {
    host_.setCallPurpose(purpose);
}

CallPurposeScope::~CallPurposeScope() {
    host_.setCallPurpose(std::nullopt);
}
