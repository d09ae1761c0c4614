// The one map between code characters and materials. A seam's code grid holds
// one character per element: 'A'..'Z' name materials 0..25 and 'a'..'z'
// materials 26..51 of the model's material list, '1' marks an opening (mined
// out) and '0' an element with no material, which the stress routines refuse.
// Every reader of codes (the reader's checks, the SOR solve, the stress pass,
// the post-processing and the pictures) converts through these functions.
#pragma once

namespace kavrel {

class MessageSink;

// Integer material codes outside the in-seam range 0..51.
constexpr int kRefusedCode = 52;   // '0': no material, refused by the stress routines
constexpr int kMinedOutCode = 53;  // '1': opening, contact law of the solver

// Integer code of a code character: 'A'..'Z' -> 0..25, 'a'..'z' -> 26..51,
// '0' -> kRefusedCode, '1' -> kMinedOutCode, -1 for any other character.
constexpr int MaterialIndexOf(char c) {
  if (c == '0') return kRefusedCode;
  if (c == '1') return kMinedOutCode;
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  return -1;
}

// The material 0..51 named by a letter, or -1 for any other character.
constexpr int MaterialOfLetter(char c) {
  const int k = MaterialIndexOf(c);
  return k >= 0 && k < kRefusedCode ? k : -1;
}

// The code letter of material m (0..51): 'A'..'Z', then 'a'..'z'.
constexpr char MaterialLetter(int m) {
  return static_cast<char>(m < 26 ? 'A' + m : 'a' + (m - 26));
}

// MaterialIndexOf(c), for the routines that meet codes the reader and the
// solver have already accepted: a character outside the code table first
// shows "Error in converting character code to an integer" through
// `messages`, then gives the character's value as a signed byte, so that the
// caller's range checks decide what follows and the user sees the same
// sequence whichever routine meets the character first.
int MaterialIndexReported(char c, MessageSink& messages);

}  // namespace kavrel
