#pragma once

// Registers the date, duration and recurrence transformers under their names: "TDNaturalLanguageDate",
// "TDNaturalLanguageFutureDate", "TDNaturalLanguageDaysFromToday", "TDNaturalLanguageTimeInterval" and
// "TDNaturalLanguageRecurrenceRule".
// Called once at start-up.
void registerNaturalLanguageValueTransformers();
