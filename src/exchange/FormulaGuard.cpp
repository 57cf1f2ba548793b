#include "FormulaGuard.h"

namespace {

bool startsFormula(QChar c)
{
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Whether the text is `atLeast` or more apostrophes followed by a character that starts a formula.
bool guardedShape(QStringView text, qsizetype atLeast)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'')
        ++i;
    return i >= atLeast && i < text.size() && startsFormula(text[i]);
}

} // namespace

QString GuardFormula(const QString& text)
{
    return guardedShape(text, 0) ? QLatin1Char('\'') + text : text;
}

QString UnguardFormula(const QString& text)
{
    return guardedShape(text, 1) ? text.mid(1) : text;
}

QStringView UnguardFormula(QStringView text)
{
    return guardedShape(text, 1) ? text.sliced(1) : text;
}
