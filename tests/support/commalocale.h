#pragma once

// Builds the de_DE.UTF-8 locale (decimal comma) into the test's private temporary folder and
// points LOCPATH at it, so std::setlocale(LC_ALL, "de_DE.UTF-8") works on a machine that has
// none installed. False when localedef is missing or fails.
bool provideCommaLocale();
