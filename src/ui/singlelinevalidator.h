// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

namespace talvor {

// Keeps line breaks out of a text field, where a paste could bring them: a path copied from a
// terminal with its line end loses that end, and a text with a break inside is refused whole.
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &position) const override;
};

} // namespace talvor
