// The web layer reaching up into the window layer: must fail to find the header.
#include "qmainwidget.h"
#include "qwebbrowser.h"

int webLayerReachesTheWindow()
{
    return sizeof(QMainWidget);
}
