#include "VeldaApp.h"

int main(int argc, char** argv)
{
    CVeldaApp app(argc, argv);
    app.InitInstance();
    return 0;
}
