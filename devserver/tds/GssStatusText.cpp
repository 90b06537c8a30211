#include "GssStatusText.h"

namespace devserver::tds {

namespace {

std::string statusText(OM_uint32 status, int type) {
    std::string text;
    OM_uint32 context = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc part = GSS_C_EMPTY_BUFFER;
        if (GSS_ERROR(gss_display_status(&minor, status, type, GSS_C_NO_OID, &context, &part))) {
            break;
        }
        if (!text.empty()) {
            text += "; ";
        }
        text.append(static_cast<const char*>(part.value), part.length);
        gss_release_buffer(&minor, &part);
    } while (context != 0);
    return text;
}

}  // namespace

std::string gssFailureText(const char* step, OM_uint32 major, OM_uint32 minor) {
    std::string text = std::string(step) + ": " + statusText(major, GSS_C_GSS_CODE);
    if (minor != 0) {
        text += " (" + statusText(minor, GSS_C_MECH_CODE) + ")";
    }
    return text;
}

}  // namespace devserver::tds
