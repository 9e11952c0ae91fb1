// The English texts of the system log's events (string identifiers 3000 to 3052).
#pragma once

// Null when `id` has no text.
const char* EnglishText(unsigned id);
