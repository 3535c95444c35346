#include "platform/named_mutex.h"

#include "platform/win/wide_text.h"

#include <windows.h>

namespace quorvel::platform {

struct named_mutex::impl {
    HANDLE handle = nullptr;
};

named_mutex::named_mutex(const std::string& name) : impl_(std::make_unique<impl>()) {
    impl_->handle = CreateMutexW(nullptr, TRUE, from_utf8(name).c_str());
    existed_ = impl_->handle && GetLastError() == ERROR_ALREADY_EXISTS;
}

named_mutex::~named_mutex() {
    if (impl_->handle)
        CloseHandle(impl_->handle);
}

bool named_mutex::valid() const {
    return impl_->handle != nullptr;
}

} // namespace quorvel::platform
