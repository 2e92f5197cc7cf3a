#pragma once

// Registers the date and duration transformers under their names: "TDNaturalLanguageDate",
// "TDNaturalLanguageFutureDate", "TDNaturalLanguageDaysFromToday" and "TDNaturalLanguageTimeInterval".
// Called once at start-up. The recurrence reader builds model rules, so the model registers its own
// ("TDNaturalLanguageRecurrenceRule").
void registerNaturalLanguageValueTransformers();
