#pragma once
// Turns typed letters into capitals as they are typed (state boxes).
#include <QValidator>

namespace kestrum::records {

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace kestrum::records
