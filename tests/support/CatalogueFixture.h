#pragma once

#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include <memory>

// A program folder with an empty catalogue and scripted answers, made fresh for each test
// function of a window or import test.
struct CatalogueFixture {
    std::unique_ptr<TestFolder> tf_;
    std::unique_ptr<ScriptedDialogs> d_;

    void openCatalogue()
    {
        tf_ = std::make_unique<TestFolder>();
        tf_->createCatalogue();
        d_ = std::make_unique<ScriptedDialogs>();
    }
    // The answers go before the folder that holds the catalogue they were given for.
    void closeCatalogue()
    {
        d_.reset();
        tf_.reset();
    }
};
