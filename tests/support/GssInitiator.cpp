#include "GssInitiator.h"

#include "devserver/tds/GssStatusText.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>

#include <stdexcept>

namespace {

gss_OID_desc kSpnego = {6, const_cast<char*>("\x2b\x06\x01\x05\x05\x02")};

[[noreturn]] void fail(const char* step, OM_uint32 major, OM_uint32 minor) {
    throw std::runtime_error(devserver::tds::gssFailureText(step, major, minor));
}

}  // namespace

struct GssInitiator::Handles {
    gss_name_t target = GSS_C_NO_NAME;
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
};

GssInitiator::GssInitiator(const std::string& servicePrincipal, Style style)
    : handles_(std::make_unique<Handles>()), style_(style) {
    gss_buffer_desc name{servicePrincipal.size(), const_cast<char*>(servicePrincipal.data())};
    OM_uint32 minor = 0;
    const OM_uint32 major =
        gss_import_name(&minor, &name, GSS_KRB5_NT_PRINCIPAL_NAME, &handles_->target);
    if (GSS_ERROR(major)) {
        fail("naming the service", major, minor);
    }
}

GssInitiator::~GssInitiator() {
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &handles_->context, GSS_C_NO_BUFFER);
    gss_release_name(&minor, &handles_->target);
}

GssInitiator::Bytes GssInitiator::firstToken() {
    return step({});
}

GssInitiator::Bytes GssInitiator::answer(std::span<const std::uint8_t> serverToken) {
    return step(serverToken);
}

GssInitiator::Bytes GssInitiator::step(std::span<const std::uint8_t> input) {
    OM_uint32 flags = GSS_C_MUTUAL_FLAG | GSS_C_REPLAY_FLAG | GSS_C_INTEG_FLAG;
    if (style_ == Style::KerberosDceStyle) {
        flags |= GSS_C_DCE_STYLE;
    }
    gss_buffer_desc in{input.size(), const_cast<std::uint8_t*>(input.data())};
    gss_buffer_desc out = GSS_C_EMPTY_BUFFER;
    OM_uint32 minor = 0;
    const OM_uint32 major = gss_init_sec_context(
        &minor, GSS_C_NO_CREDENTIAL, &handles_->context, handles_->target,
        style_ == Style::Spnego ? &kSpnego : GSS_C_NO_OID, flags, 0, GSS_C_NO_CHANNEL_BINDINGS,
        input.empty() ? GSS_C_NO_BUFFER : &in, nullptr, &out, nullptr, nullptr);
    if (GSS_ERROR(major)) {
        fail("making the client's token", major, minor);
    }
    complete_ = (major & GSS_S_CONTINUE_NEEDED) == 0;
    const auto* start = static_cast<const std::uint8_t*>(out.value);
    Bytes token(start, start + out.length);
    gss_release_buffer(&minor, &out);
    return token;
}
