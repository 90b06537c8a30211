#include <QComboBox>
#include <QPushButton>

#include "FMain.h"
#include "operations/Handlers.h"

void FMain::wireHandlers() {
    connect(C_LoginStyle, &QComboBox::currentIndexChanged, this,
            [this] { unlessBusy([this] { applyLoginStyle(*this); }); });
    connect(C_Link, &QPushButton::clicked, this,
            [this] { guarded([this] { connectToServer(*this); }); });
    connect(C_UnLink, &QPushButton::clicked, this,
            [this] { unlessBusy([this] { disconnectFromServer(*this); }); });

    const QList<std::pair<QPushButton*, void (*)(OperationHost&)>> operations{
        {C_FMdf, chooseDataFile},
        {C_FLdf, chooseLogFile},
        {C_Add, attachDatabase},
        {C_Clear, detachDatabase},
        {c_Shrink, cleanUpDatabase},
        {c_DropDatabase, dropDatabase},
        {c_BackUp, backUpDatabase},
        {c_Restore, restoreDatabase},
        {c_Restore_B, forceRestoreDatabase},
    };
    for (const auto& [button, handler] : operations) {
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { guarded([this, handler] { handler(*this); }); });
    }
}
