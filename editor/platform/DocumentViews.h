// What the track document sees of the windows around it. The main window implements these
// with Qt; tests implement them with fakes; ze2 passes none. The document works with any of
// them absent.
#pragma once

#include "core/MatrixMaths.h"

#include <functional>
#include <string>

// The 3D view the document draws into and picks through.
class TRenderView
{
public:
    virtual ~TRenderView() = default;
    virtual void Invalidate() = 0;
    virtual void SetKeyboardFocus() = 0;
    // The world-space ray under a point of the view (origin and normalised direction).
    virtual bool ScreenRay(int x, int y, TVector3f& origin, TVector3f& direction) = 0;
    virtual void SetCursorShape(int cursor) = 0;
};

// A button on a tool bar that the document created (tags 1 and 2 for the track buttons).
class TToolButton
{
public:
    virtual ~TToolButton() = default;
    virtual int Tag() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetLatched(bool latched) = 0; // fires the latch event when it changes
    virtual bool Latched() const = 0;

    std::function<void(TToolButton*)> OnClick;
    std::function<void(TToolButton*, bool& latched)> OnLatchChanged;
};

// A tool bar the document can add buttons to. The bar owns the buttons.
class TToolBarHost
{
public:
    virtual ~TToolBarHost() = default;
    // Adds a button with the glyph of the named bitmap resource; nothing (nullptr) when the
    // resource is missing or empty.
    virtual TToolButton* AddToolButton(const std::string& caption, int tag,
                                       const std::string& bitmapName, const std::string& hint,
                                       bool latching) = 0;
};

// A dock area of the main window that tool windows are docked into.
class TDockHost
{
public:
    virtual ~TDockHost() = default;
};

// Opaque to the document until their owners give them an interface.
class TPropertyTreeView;
struct TPropertyRecord;
class TRenderContext;
class TCanvasView;
class TGfxDevice;
