#pragma once
// What a document window does for its line editors when a line is saved: the line must belong to
// a document that is stored, and stays stored until the line is in.
#include <QString>

namespace kestrum::lines {

struct LineHold {
    QString number;  ///< the document number the line is saved under (may differ from the shown one)
    QString notice;  ///< told to the user once the line is saved ("" for nothing)
};

class LineDocument {
public:
    virtual ~LineDocument() = default;
    /// \brief Runs inside the transaction that saves a line. Stores a document made with New
    /// (claiming its number; another free one when it was taken meanwhile) or locks the loaded
    /// one. Throws DatabaseError with a message for the user when the loaded document was
    /// deleted at another workstation.
    /// `number` (and `owner`, for documents known by two columns) name the editor's document,
    /// which need not be the one the window shows now.
    virtual LineHold holdForLines(const QString& number, const QString& owner) = 0;
};

}  // namespace kestrum::lines
