#pragma once
// Stand-ins for the windows of modules built after this one that open history browsers: just their key boxes,
// under their class names, which is all a history reads of them.
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

class Opener : public QWidget {
public:
    explicit Opener(const QStringList& edits, const QStringList& combos = {})
    {
        for (const QString& e : edits)
            (new QLineEdit(this))->setObjectName(e);
        for (const QString& c : combos) {
            auto* box = new QComboBox(this);
            box->setEditable(true);
            box->setObjectName(c);
        }
    }
};

class TEstimate : public Opener {
    Q_OBJECT
public:
    TEstimate() : Opener({"Edit1"}) {}
};

class TBill : public Opener {
    Q_OBJECT
public:
    TBill() : Opener({"Edit1"}, {"ComboBox1"}) {}
};

class TPoOrder : public Opener {
    Q_OBJECT
public:
    TPoOrder() : Opener({"Edit1"}) {}
};

