// Views for the container tests: they paint their whole rectangle in one
// colour and record what they were asked.
#pragma once

#include <string>
#include <vector>

#include "gui/CDrawContext.h"
#include "gui/CView.h"

class ColourView : public CView {
 public:
  ColourView(const CRect& size, CColor colour, std::vector<std::string>* log = nullptr,
             const char* name = "")
      : CView(size), m_Colour(colour), m_pLog(log), m_Name(name) {}

  void draw(CDrawContext* context) override {
    ++draws;
    // One pixel beyond the rectangle on every side: the container's clip
    // must keep the paint inside.
    CRect r(size);
    r.inset(-1, -1);
    r.right += 1;
    r.bottom += 1;
    context->setFillColor(m_Colour);
    context->fillRect(r);
    setDirty(false);
    if (m_pLog) m_pLog->push_back(m_Name + ".draw");
  }
  void mouse(CDrawContext*, CPoint& where, long buttons) override {
    lastMouse = where;
    lastButtons = buttons;
    if (m_pLog) m_pLog->push_back(m_Name + ".mouse");
  }
  long onKeyDown(VstKeyCode&) override {
    if (m_pLog) m_pLog->push_back(m_Name + ".key");
    return keyResult;
  }

  int draws = 0;
  CPoint lastMouse{-100, -100};
  long lastButtons = 0;
  long keyResult = -1;

 private:
  CColor m_Colour;
  std::vector<std::string>* m_pLog;
  std::string m_Name;
};
