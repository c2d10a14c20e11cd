#pragma once
// Driving the design-time editors' modal dialogs from a test.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace designtest {

/// The dialog's control `name` of type W; a test failure when there is none.
template <class W> W* child(QWidget* dialog, const char* name) {
    W* w = dialog->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

/// Runs `script` on the modal editor once it is shown.
inline void whenShown(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        script(dialog);
    });
}

} // namespace designtest
