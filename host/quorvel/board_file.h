// The board file: reading a board from its JSON form and writing it back (docs/board-format.md).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "host/quorvel/board.h"

namespace quorvel {

// A board file that cannot be read or written; the message names the file and the place
// ("board.json:12:5: ..." or "board.json at /tracks/3/layer: ...").
class BoardFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole board; throws BoardFileError. `display_name` names the file in messages.
std::unique_ptr<Board> ReadBoard(const std::string& path);
std::unique_ptr<Board> ReadBoardText(const std::string& text, const std::string& display_name);

// Writes the board to a temporary file beside `path` and moves it onto `path`.
void WriteBoard(const Board& board, const std::string& path);
std::string WriteBoardText(const Board& board);

}  // namespace quorvel
