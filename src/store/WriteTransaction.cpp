#include "store/WriteTransaction.h"

#include "store/AppError.h"
#include "store/Engine.h"

WriteTransaction::WriteTransaction(Engine &engine, Nesting nesting) : engine_(engine)
{
    if (nesting == Nesting::Join && engine_.transactionDepth() > 0)
        return;
    engine_.begin();
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (!open_)
        return;
    try {
        engine_.rollback();
    } catch (const AppError &) {
        // The connection is gone: so is the transaction.
    }
}

void WriteTransaction::commit()
{
    if (!open_)
        return;
    engine_.commit();
    open_ = false;
}
