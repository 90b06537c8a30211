#include <QComboBox>
#include <QPushButton>

#include "FMain.h"

void FMain::wireHandlers() {
    connect(C_LoginStyle, &QComboBox::currentIndexChanged, this, [this] { applyLoginStyle(*this); });
    connect(C_Link, &QPushButton::clicked, this,
            [this] { guarded([this] { connectToServer(*this, conn_, *this); }); });
    connect(C_UnLink, &QPushButton::clicked, this,
            [this] { disconnectFromServer(*this, conn_, *this); });
}
