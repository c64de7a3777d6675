#include "core/picture/JpegErrors.h"

#include <jerror.h>

namespace {

void ExitWithMessage(j_common_ptr codec) {
    auto* manager = reinterpret_cast<TJpegErrorManager*>(codec->err);
    codec->err->format_message(codec, manager->Message);
    std::longjmp(manager->Jump, 1);
}

// Warnings are not printed; the ones that matter, a file that ends too soon, are remembered.
void RememberWarning(j_common_ptr codec, int level) {
    auto* manager = reinterpret_cast<TJpegErrorManager*>(codec->err);
    if (level < 0) {
        codec->err->num_warnings++;
        if (codec->err->msg_code == JWRN_JPEG_EOF)
            manager->EndedEarly = true;
        if (codec->err->msg_code == JWRN_HIT_MARKER)
            manager->DataRanOut = true;
    }
}

} // namespace

jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager) {
    jpeg_std_error(&manager.Base);
    manager.Base.error_exit = ExitWithMessage;
    manager.Base.emit_message = RememberWarning;
    return &manager.Base;
}
