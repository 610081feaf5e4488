#pragma once

#include <QString>

#include <cstdint>

// The operator's text for an SDK result, matched on its low 8 bits read as a signed
// byte; codes outside the SDK's list share one text.
QString sdkErrorText(std::int32_t result);
