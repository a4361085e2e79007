#include "app/capplication.h"

int main(int argc, char** argv)
{
    CApplication app(argc, argv);
    app.Open();
    return app.exec();
}
