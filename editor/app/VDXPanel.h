// The 3D view of the main window: an OpenGL 3.3 core widget. It is created only when the
// start-up check found that such a context can be made.
#pragma once

#include "platform/DocumentViews.h"

#include <QColor>
#include <QOpenGLWidget>
#include <functional>

class TVellDXPanel : public QOpenGLWidget, public TRenderView
{
    Q_OBJECT

public:
    explicit TVellDXPanel(QWidget* parent = nullptr);
    ~TVellDXPanel() override;

    // TRenderView
    void Invalidate() override;
    void SetKeyboardFocus() override;
    bool ScreenRay(int x, int y, TVector3f& origin, TVector3f& direction) override;
    void SetCursorShape(int cursor) override;

    QColor Color{58, 78, 104};
    bool WireFrame = false;
    float FogDensity = 0.0f;
    float FarCutOff = 1000.0f;
    unsigned BackBufferWidth = 640;
    unsigned BackBufferHeight = 480;
    // While false, paint requests draw nothing new (long operations stop the view).
    bool RenderEnabled = true;

    // Called after each frame (frame counting, tests).
    std::function<void()> OnSceneEnded;
    int FramesDrawn() const { return FFrames; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    int FFrames = 0;
};
