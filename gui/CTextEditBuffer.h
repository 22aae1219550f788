// The text of an open edit field: UTF-8 text of at most a given number of
// bytes with a caret and a selection (between the anchor and the caret), and
// the editing steps a single-line field offers. Positions are byte offsets
// that always lie on character boundaries; bytes that are not valid UTF-8
// count as characters of their own.
//
// [any thread] A plain value; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Utf8.h"

class CTextEditBuffer {
 public:
  explicit CTextEditBuffer(size_t maxBytes = 255) : m_nMaxBytes(maxBytes) {}

  // Replaces the text (cut to the limit on a character boundary) and selects
  // all of it.
  void SetText(const std::string& text);
  const std::string& Text() const { return m_Text; }

  size_t Caret() const { return m_nCaret; }
  size_t Anchor() const { return m_nAnchor; }
  bool HasSelection() const { return m_nCaret != m_nAnchor; }
  size_t SelectionStart() const { return m_nCaret < m_nAnchor ? m_nCaret : m_nAnchor; }
  size_t SelectionEnd() const { return m_nCaret < m_nAnchor ? m_nAnchor : m_nCaret; }
  std::string SelectedText() const;

  void SelectAll();
  // Moves the caret to the boundary at or before `position`; with `extend`
  // the anchor stays, else the selection collapses there.
  void SetCaret(size_t position, bool extend);
  // One character left or right; without `extend` a selection collapses to
  // its start or end instead.
  void MoveLeft(bool extend);
  void MoveRight(bool extend);
  void MoveHome(bool extend) { SetCaret(0, extend); }
  void MoveEnd(bool extend) { SetCaret(m_Text.size(), extend); }

  // Replaces the selection by `text` (its first line, control characters
  // dropped), as many whole characters of it as the limit leaves room for.
  // False when nothing changed.
  bool Insert(const std::string& text);
  bool InsertCodePoint(uint32_t codePoint);
  // The selection, or else the character before (Backspace) or after
  // (Delete) the caret. False when nothing changed.
  bool Backspace();
  bool Delete();
  bool DeleteSelection();

  // Character boundaries: the one at or before a position, the next one
  // after it and the one before it.
  size_t BoundaryAtOrBefore(size_t position) const;
  size_t NextBoundary(size_t position) const;
  size_t PreviousBoundary(size_t position) const;

 private:
  std::string m_Text;
  size_t m_nMaxBytes;
  size_t m_nCaret = 0;
  size_t m_nAnchor = 0;
};
