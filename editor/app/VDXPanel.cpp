#include <epoxy/gl.h>

#include "app/VDXPanel.h"

#include <QSurfaceFormat>

TVellDXPanel::TVellDXPanel(QWidget* parent) : QOpenGLWidget(parent)
{
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    setFormat(format);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
}

TVellDXPanel::~TVellDXPanel() = default;

void TVellDXPanel::Invalidate()
{
    if (RenderEnabled)
        update();
}

void TVellDXPanel::SetKeyboardFocus()
{
    setFocus(Qt::OtherFocusReason);
}

bool TVellDXPanel::ScreenRay(int, int, TVector3f&, TVector3f&)
{
    // The camera arrives with the rendering work; until then nothing lies under the mouse.
    return false;
}

void TVellDXPanel::SetCursorShape(int cursor)
{
    setCursor(cursor == 0 ? Qt::ArrowCursor : Qt::CrossCursor);
}

void TVellDXPanel::initializeGL() {}

void TVellDXPanel::paintGL()
{
    glClearColor(Color.redF(), Color.greenF(), Color.blueF(), 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ++FFrames;
    if (OnSceneEnded)
        OnSceneEnded();
}
