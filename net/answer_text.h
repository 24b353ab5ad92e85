#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// UTF-8 as UTF-16 (pairs of surrogates beyond U+FFFF), or nothing when `text` is not
// valid UTF-8: overlong forms, encoded surrogates, code points past U+10FFFF, stray or
// missing continuation bytes. Being strict is what lets text in a legacy code page be
// told apart from UTF-8.
std::optional<std::wstring> Utf8ToUtf16(std::string_view text);

// Decodes narrow text in a legacy code page, or gives nothing when the result would
// need more than `maxUnits` units.
using LegacyTextDecoder = std::optional<std::wstring> (*)(std::string_view text,
                                                          std::size_t maxUnits);

// A service answer (or a part of one) as UTF-16: as UTF-8 when it is valid UTF-8, the
// encoding of JSON and of the service, otherwise through `legacy` (the ANSI code page,
// as the oldest services answered). Nothing when it would need more than `maxUnits`
// units (terminator not counted): never a cut text.
std::optional<std::wstring> AnswerTextToUtf16(std::string_view text, std::size_t maxUnits,
                                              LegacyTextDecoder legacy);
