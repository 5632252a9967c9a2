#include "app/StartupCheck.h"

#include "KexPhysics.h"
#include "core/Paths.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

const char* const StartupCheckQuestion =
    "You need to install some software before you can run ZE2, you can try to continue but ZE2 "
    "will not function properly. Don't answer this question until you have read the help file, "
    "otherwise it will close. Do you want to close ZE2 and upgrade your system?";
const char* const StartupCheckCaption = "Necessary system files missing";

TStartupResult RunStartupCheck(const TStartupProbe& probe)
{
    TStartupResult result;
    auto fail = [&](const char* page)
    {
        result.Passed = false;
        result.HelpPages.push_back(page);
    };
    if (!probe.OpenGLAvailable)
        fail("dx81");
    if (probe.PhysicsVersion != KEXPHYSICS_INTERFACE_VERSION)
        fail("physx");
    const std::string& folder = probe.ProgramFolder;
    if (!DirectoryExists(folder + "defaults") || !DirectoryExists(folder + "tracks") ||
        !DirectoryExists(folder + "models"))
    {
        ForceDirectories(folder + "defaults");
        ForceDirectories(folder + "tracks");
        ForceDirectories(folder + "models");
        fail("folders");
    }
    return result;
}

bool ProbeOpenGL(std::string* reason)
{
    auto why = [&](const char* text)
    {
        if (reason)
            *reason = text;
        return false;
    };
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return why("the window platform has no OpenGL");

    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create())
        return why("no OpenGL context can be made");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return why("the OpenGL context cannot be made current");
    const QSurfaceFormat got = context.format();
    context.doneCurrent();
    if (got.version() < qMakePair(3, 3))
        return why("OpenGL 3.3 is not available");
    return true;
}
