#pragma once

// What most tests use: a program folder with its catalogue, scripted answers to questions,
// source files, and the store's shared objects.
#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QtTest>
