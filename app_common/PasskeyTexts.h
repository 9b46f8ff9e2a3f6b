#pragma once

// The texts with which the programs' dialogs refuse a passkey.
namespace pelorin {

inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kEnterPasskeyText = "Please enter a passkey";
inline constexpr const char* kPasskeyTooLongCaption = "Passkey too long";
inline constexpr const char* kPasskeyTooLongText = "A passkey can be at most 127 characters long.";
// Archives of algorithm 9 take passkeys of 1 to 1024 bytes of UTF-8, as typed.
inline constexpr const char* kModernPasskeyTooLongText = "A passkey can be at most 1024 bytes long (in UTF-8).";
inline constexpr const char* kPasskeyNotUtf8Caption = "Passkey not usable";
inline constexpr const char* kPasskeyNotUtf8Text =
    "The passkey is not valid UTF-8 text. Archives of algorithm 9 take the passkey as UTF-8 text.";
// A passkey is stored as bytes of the system's code page; a character
// outside it would silently become '?', and the archive would open with
// another passkey than the one typed.
inline constexpr const char* kPasskeyOutsideCodePageCaption = "Passkey not usable";
inline constexpr const char* kPasskeyOutsideCodePageText =
    "The passkey contains characters that this system's code page cannot hold exactly. Please use a passkey "
    "made of characters of the code page only.";

}  // namespace pelorin
