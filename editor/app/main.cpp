// BrakkenTiv: the track editor.
#include "app/MainForm.h"
#include "app/StartupCheck.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QTimer>
#include <clocale>
#include <cstring>

int main(int argc, char** argv)
{
    bool exitAfterStart = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--exit-after-start") == 0)
            exitAfterStart = true;

    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Hovrax Brakken Editor Tiv");
    // Numbers in the game's text files use "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    TMainStartOptions start;
    start.ExitAfterStart = exitAfterStart;
    std::string reason;
    start.OpenGLAvailable = ProbeOpenGL(&reason);
    if (!start.OpenGLAvailable)
        std::fprintf(stderr, "BrakkenTiv: no OpenGL 3.3: %s\n", reason.c_str());

    TForm1 form(start);
    if (form.CloseRequested())
        return 0;
    if (exitAfterStart)
        form.OnShown = [&form] { QTimer::singleShot(0, &form, &QWidget::close); };
    form.show();
    return app.exec();
}
