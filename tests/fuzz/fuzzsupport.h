#pragma once

// What every fuzz target needs before its first input: the core application
// object (the engine needs no windows) and the item kinds a document can
// hold. Each target includes this header once and
// so gets libFuzzer's start-up call from here.

#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "transforms/catalogue.h"

#include <QCoreApplication>

inline void initialiseFuzzing(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    Catalogue::instance();
    registerInputNodeKind();
    registerOutputNodeKind();
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    initialiseFuzzing(argc, argv);
    return 0;
}
