// Prints the language the program would pick in this environment.
#include <QCoreApplication>
#include <cstdio>

#include "resources/language.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::puts(resources::SystemLanguage() == resources::Language::English ? "English" : "Chinese");
    return 0;
}
