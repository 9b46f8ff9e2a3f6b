#pragma once

// The plaintexts of RFC 8439's examples, as text.
namespace pelorin::test {

inline constexpr const char* kSunscreen =
    "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, sunscreen would be "
    "it.";

inline constexpr const char* kIetfSubmission =
    "Any submission to the IETF intended by the Contributor for publication as all or part of an IETF Internet-Draft "
    "or RFC and any statement made within the context of an IETF activity is considered an \"IETF Contribution\". "
    "Such statements include oral statements in IETF sessions, as well as written and electronic communications made "
    "at any time or place, which are addressed to";

inline constexpr const char* kJabberwocky =
    "'Twas brillig, and the slithy toves\nDid gyre and gimble in the wabe:\nAll mimsy were the borogoves,\nAnd the "
    "mome raths outgrabe.";

}  // namespace pelorin::test
