// The desktop tuning tool.
#include "app/TavelApp.h"

int main(int argc, char* argv[]) {
    return CTavelApp::Main(argc, argv);
}
