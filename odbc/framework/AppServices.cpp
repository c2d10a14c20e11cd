#include <vantrel/framework/AppServices.h>

#include <cstdio>

namespace vantrel {

TApplication& Application() {
    static TApplication* app = new TApplication; // lives to the end: used from destructors at exit
    return *app;
}

void TApplication::ShowException(const std::exception& e) noexcept {
    TExceptionHandler handler;
    {
        std::lock_guard lock(FLock);
        handler = FExceptionHandler;
    }
    try {
        if (handler) {
            handler(e);
            return;
        }
    } catch (...) {
        // The display itself failed: fall back to standard error rather than lose the message.
    }
    std::fprintf(stderr, "Error: %s\n", e.what());
}

void TApplication::HandleException(const std::exception& e) noexcept {
    if (dynamic_cast<const EAbort*>(&e))
        return;
    ShowException(e);
}

TApplication::TExceptionHandler TApplication::SetExceptionHandler(TExceptionHandler handler) {
    std::lock_guard lock(FLock);
    std::swap(FExceptionHandler, handler);
    return handler;
}

void TApplication::SetBusyCursor(bool busy) {
    TCursor target;
    {
        std::lock_guard lock(FLock);
        if (busy) {
            if (FBusyCount++ > 0)
                return;
            FSavedCursor = FCursor;
            target = crSQLWait;
        } else {
            if (FBusyCount == 0 || --FBusyCount > 0)
                return;
            target = FSavedCursor;
        }
    }
    ChangeCursor(target);
}

bool TApplication::Busy() const {
    std::lock_guard lock(FLock);
    return FBusyCount > 0;
}

TCursor TApplication::Cursor() const {
    std::lock_guard lock(FLock);
    return FCursor;
}

void TApplication::SetCursor(TCursor cursor) { ChangeCursor(cursor); }

void TApplication::ChangeCursor(TCursor cursor) {
    TCursorHandler handler;
    {
        std::lock_guard lock(FLock);
        if (FCursor == cursor)
            return;
        FCursor = cursor;
        handler = FCursorHandler;
    }
    if (handler)
        handler(cursor);
}

TApplication::TCursorHandler TApplication::SetCursorHandler(TCursorHandler handler) {
    std::lock_guard lock(FLock);
    std::swap(FCursorHandler, handler);
    return handler;
}

} // namespace vantrel
