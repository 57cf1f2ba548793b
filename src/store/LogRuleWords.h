#pragma once

#include "LogRules.h"

#include <QString>

// The words for the order rule, shared by the History dialogs and the store's own refusals.
// Readings are written as DistanceToText shows them, dates in the locale's short form.
namespace LogRuleWords {

// "lie between N (DATE) and M (DATE)", "be at least N (DATE)" or "be at most M (DATE)";
// empty when the bounds hold no reading.
QString BoundsPhrase(const LogRules::ReadingBounds& bounds);
// "The entry for 'Current Mileage' must lie between N (DATE) and M (DATE)", or one-sided for a
// first or last reading.
QString OrderRuleMessage(const LogRules::ReadingBounds& bounds);
// The refusal of a reading below 0, as every dialog that takes a reading words it.
QString BelowZeroMessage();
// "N on DATE": one reading, as the messages name it.
QString ReadingText(const MileageRow& reading);

} // namespace LogRuleWords
