// The names a model gives libcurl's options and info items by, and what each one may carry. The
// checks exist because libcurl reads an option's value as the type the option has: a number where
// it expects a pointer, or a pointer to something the library owns, would end the host's process.
#pragma once

#include <string>
#include <string_view>

namespace flk::client {

// libcurl's number of the option CURLOPT_<name> (the name without its prefix), or 0 for a name
// libcurl does not know; libcurl itself then refuses option 0 as unknown.
int optionNumber(std::string_view name);
// libcurl's number of the info item CURLINFO_<name>, or 0.
int infoNumber(std::string_view name);

enum class OptionValue { Integer, Text };

// Why a model may not set the option with a value of that kind, or "" when it may. Options that
// carry functions, pointers, lists or objects are the library's own: it installs them itself.
std::string optionRefusal(int option, OptionValue kind);
// The option's name for messages ("TIMEOUT"), or its number as text.
std::string optionName(int option);

// The kinds an info item's value has, from the type bits of its number.
enum class InfoValue { Text, Integer, Integer64, Double, Other };
InfoValue infoValue(int info);

}  // namespace flk::client
