#include "GssAcceptor.h"

#include "GssStatusText.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

#include <array>

namespace devserver::tds {

struct GssAcceptor::Handles {
    gss_cred_id_t credential = GSS_C_NO_CREDENTIAL;
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
    gss_name_t client = GSS_C_NO_NAME;
};

namespace {

[[noreturn]] void refuse(const char* step, OM_uint32 major, OM_uint32 minor) {
    throw GssRefusal(gssFailureText(step, major, minor));
}

class OwnedBuffer {
  public:
    OwnedBuffer() = default;
    ~OwnedBuffer() {
        OM_uint32 minor = 0;
        gss_release_buffer(&minor, &buffer_);
    }
    OwnedBuffer(const OwnedBuffer&) = delete;
    OwnedBuffer& operator=(const OwnedBuffer&) = delete;

    gss_buffer_t get() { return &buffer_; }
    Bytes bytes() const {
        const auto* start = static_cast<const std::uint8_t*>(buffer_.value);
        return {start, start + buffer_.length};
    }
    std::string text() const { return {static_cast<const char*>(buffer_.value), buffer_.length}; }

  private:
    gss_buffer_desc buffer_ = GSS_C_EMPTY_BUFFER;
};

}  // namespace

GssAcceptor::GssAcceptor(std::filesystem::path keytab, std::filesystem::path replayCache)
    : keytab_(std::move(keytab)),
      replayCache_(std::move(replayCache)),
      handles_(std::make_unique<Handles>()) {}

GssAcceptor::~GssAcceptor() {
    OM_uint32 minor = 0;
    gss_release_name(&minor, &handles_->client);
    gss_delete_sec_context(&minor, &handles_->context, GSS_C_NO_BUFFER);
    gss_release_cred(&minor, &handles_->credential);
}

GssAcceptor::Step GssAcceptor::accept(std::span<const std::uint8_t> token) {
    if (token.empty()) {
        // GSS-API would wait for more rather than refuse nothing at all.
        throw GssRefusal("the client sent no token");
    }
    OM_uint32 minor = 0;
    if (handles_->credential == GSS_C_NO_CREDENTIAL) {
        // No name of our own: any service principal of the keytab may be the one asked for,
        // as with a server that has several names.
        const std::string keytab = "FILE:" + keytab_.string();
        const std::string replayCache = "file2:" + replayCache_.string();
        std::array<gss_key_value_element_desc, 2> store = {{
            {"keytab", keytab.c_str()},
            {"rcache", replayCache.c_str()},
        }};
        const gss_key_value_set_desc storeSet{static_cast<OM_uint32>(store.size()), store.data()};
        const OM_uint32 major =
            gss_acquire_cred_from(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, GSS_C_NO_OID_SET,
                                  GSS_C_ACCEPT, &storeSet, &handles_->credential, nullptr, nullptr);
        if (GSS_ERROR(major)) {
            refuse("reading the keytab", major, minor);
        }
    }
    gss_buffer_desc input{token.size(), const_cast<void*>(static_cast<const void*>(token.data()))};
    OwnedBuffer output;
    gss_name_t client = GSS_C_NO_NAME;
    const OM_uint32 major = gss_accept_sec_context(
        &minor, &handles_->context, handles_->credential, &input, GSS_C_NO_CHANNEL_BINDINGS,
        &client, nullptr, output.get(), nullptr, nullptr, nullptr);
    if (GSS_ERROR(major)) {
        refuse("accepting the client's token", major, minor);
    }
    if (client != GSS_C_NO_NAME) {
        gss_release_name(&minor, &handles_->client);
        handles_->client = client;
    }
    return Step{(major & GSS_S_CONTINUE_NEEDED) == 0, output.bytes()};
}

std::string GssAcceptor::clientPrincipal() const {
    OM_uint32 minor = 0;
    OwnedBuffer name;
    const OM_uint32 major = gss_display_name(&minor, handles_->client, name.get(), nullptr);
    if (GSS_ERROR(major)) {
        refuse("naming the client", major, minor);
    }
    return name.text();
}

}  // namespace devserver::tds
