// Application services the library calls into: showing an exception and the busy cursor.
// A Qt program installs real handlers; without them exceptions go to standard error and the
// busy cursor is only counted.
#pragma once

#include <vantrel/framework/SysUtils.h>

#include <exception>
#include <functional>
#include <mutex>

namespace vantrel {

/// Screen cursor shapes the library asks for.
enum TCursor : int { crDefault = 0, crHourGlass = -11, crSQLWait = -17 };

/// \brief What the library asks of the running program: showing an error it caught and the busy
/// cursor. One per process (Application()); programs may replace the handlers.
class TApplication {
public:
    using TExceptionHandler = std::function<void(const std::exception& e)>;
    using TCursorHandler = std::function<void(TCursor cursor)>;

    /// \brief Shows `e` through the installed handler (default: "Error: <message>" on standard
    /// error). EAbort is silent. Never throws: a failing handler is ignored.
    void HandleException(const std::exception& e) noexcept;
    /// \brief Shows `e` whatever its class (EAbort included).
    void ShowException(const std::exception& e) noexcept;
    /// \brief Replaces the exception display; returns the previous handler. Null restores the default.
    TExceptionHandler SetExceptionHandler(TExceptionHandler handler);

    /// \brief Busy cursor on/off. Calls nest: the cursor shows crSQLWait from the first `true`
    /// until the matching last `false`; the handler hears only those two changes.
    void SetBusyCursor(bool busy);
    bool Busy() const;
    /// \brief The current screen cursor; setting it calls the cursor handler when it changes.
    TCursor Cursor() const;
    void SetCursor(TCursor cursor);
    TCursorHandler SetCursorHandler(TCursorHandler handler);

    String Title;

private:
    void ChangeCursor(TCursor cursor);

    mutable std::mutex FLock;
    TExceptionHandler FExceptionHandler;
    TCursorHandler FCursorHandler;
    TCursor FCursor = crDefault;
    TCursor FSavedCursor = crDefault;
    int FBusyCount = 0;
};

/// \brief The process-wide application object.
TApplication& Application();

/// \brief Shows the busy cursor while it lives.
class TBusyCursor {
public:
    TBusyCursor() { Application().SetBusyCursor(true); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    ~TBusyCursor() {
        try {
            Application().SetBusyCursor(false);
        } catch (...) {
        }
    }
};

} // namespace vantrel
