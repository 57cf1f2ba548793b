#include "KindWords.h"

namespace {

// The words of a kind, lower case without accents: matched whole, or as the start of a word
// when they end with '*'.
struct WordsOfKind
{
    const QString& kind;
    const char* words;
};

// The first kind a word names wins, so the narrow kinds come before Service; tolls, washes,
// fines and accessories are named so that they stay Other rather than take a later word's kind.
const WordsOfKind Words[] = {
    {CostCategory::Other, "toll* pedag* maut* peaj* vignet* rovinieta wash* lavag* wasche "
                          "spalat* fine* ticket* multa* multe accessor* zubehor"},
    {CostCategory::Purchase, "purchase* bought kauf* acquist* achizit* cumparar* compra aquisicao"},
    {CostCategory::Insurance, "insurance versicherung* assicuraz* asigurar* rca casco seguro"},
    {CostCategory::Tax, "tax steuer bollo impozit ipva registration registrazione "
                        "licenciamento"},
    {CostCategory::Parking, "park* parcheg* parcar* estacionamento"},
    {CostCategory::Tyres, "tyre* tire* reifen* sommerreifen winterreifen pneu* gomm* anvelop*"},
    {CostCategory::Repair, "repar* ripar*"},
    {CostCategory::Service, "servic* serviz* maintenance manutenz* manutenc* wartung inspe* "
                            "revizi* revisao revision* itp mot tuv hu collaudo brake* bremse* "
                            "frana frane oil olio ol olwechsel ulei oleo filter* filtr* wiper*"},
};

// Lower case without accents, every run of other characters one blank: "Taxă pod" "taxa pod".
QString plain(const QString& text)
{
    QString out;
    bool blank = true;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber()) {
            out += c.toLower();
            blank = false;
        } else if (!blank && c.category() != QChar::Mark_NonSpacing) {
            out += QLatin1Char(' ');
            blank = true;
        }
    }
    return out.trimmed();
}

bool matches(const QString& word, QLatin1String pattern)
{
    if (pattern.endsWith(QLatin1Char('*')))
        return word.startsWith(pattern.chopped(1));
    return word == pattern;
}

std::optional<QString> kindOf(const QString& text)
{
    const QString t = plain(text);
    if (t.isEmpty())
        return std::nullopt;
    for (const QString& word : t.split(QLatin1Char(' ')))
        for (const WordsOfKind& k : Words)
            for (const auto pattern : QLatin1String(k.words).tokenize(QLatin1Char(' ')))
                if (matches(word, QLatin1String(pattern)))
                    return k.kind;
    return std::nullopt;
}

} // namespace

std::optional<bool> YesNoWord(const QString& word)
{
    const QString w = word.trimmed();
    for (const char* yes : {"yes", "true", "1"})
        if (w.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* no : {"no", "false", "0"})
        if (w.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
            return false;
    return std::nullopt;
}

QString CostCategoryOf(const QStringList& texts, const QString& none)
{
    for (const QString& text : texts)
        if (const auto kind = kindOf(text))
            return *kind;
    return none;
}
