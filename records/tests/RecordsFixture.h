#pragma once
// The window fixture plus what only the record-window tests need.
#include "RecordWindow.h"
#include "WindowTest.h"

class RecordsTest : public testsupport::WindowTest {
protected:
    /// New, every text box filled with apostrophes, quotes and SQL, Save: stored as typed.
    void hostileRoundTrip(kestrum::records::RecordWindow* w);
};
