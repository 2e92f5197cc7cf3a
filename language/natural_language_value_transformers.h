#pragma once

// Registers the date and duration transformers under their names: "TDNaturalLanguageDate",
// "TDNaturalLanguageFutureDate", "TDNaturalLanguageDaysFromToday" and "TDNaturalLanguageTimeInterval".
// Called once at start-up.
void registerNaturalLanguageValueTransformers();
