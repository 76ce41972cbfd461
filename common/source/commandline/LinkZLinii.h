#pragma once
// A link to a moment given on a command line in place of the options it stands for.
// One thread at a time (as the CommandLine it reads).
#include <optional>
#include <vector>

#include "textforms/LinkDoChwili.h"

class CommandLine;

// The link given as `linia`'s positional argument (after Read); none when there is none.
// Raises a UsageError for a malformed link ("zły link ..."; first, so that a stray word is
// named as no link) and for a link given together with any of `zastepowane`, the options
// it stands for ("link zastępuje --station i --at: podaj link albo te opcje").
std::optional<LinkDoChwili> LinkZLinii(const CommandLine& linia, const std::vector<const char*>& zastepowane);
