#pragma once

// Every drawing tool family, for the tool registry and for code that needs
// a family's own interface.

#include "view/DrawTool.h"
#include "view/tools/HandZoomTools.h"
#include "view/tools/ObjectTools.h"
#include "view/tools/SelectTool.h"
#include "view/tools/TextComponentTools.h"
#include "view/tools/VowelsTool.h"
