#include "app/VarnicApp.h"

int main(int argc, char** argv) {
    return varnic::VarnicApp::run(argc, argv);
}
