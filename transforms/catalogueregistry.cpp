#include "transforms/catalogue.h"

#include "transforms/transformcalculate.h"
#include "transforms/transformcase.h"
#include "transforms/transformclone.h"
#include "transforms/transformconcatcols.h"
#include "transforms/transformcopycols.h"
#include "transforms/transformnewcol.h"
#include "transforms/transformoffset.h"
#include "transforms/transformremovecols.h"
#include "transforms/transformrenamecols.h"
#include "transforms/transformreordercols.h"
#include "transforms/transformrownum.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    catalogue.add(new TransformCalculate);
    catalogue.add(new TransformCase);
    catalogue.add(new TransformClone);
    catalogue.add(new TransformConcatCols);
    catalogue.add(new TransformCopyCols);
    catalogue.add(new TransformNewCol);
    catalogue.add(new TransformOffset);
    catalogue.add(new TransformRemoveCols);
    catalogue.add(new TransformRenameCols);
    catalogue.add(new TransformReorderCols);
    catalogue.add(new TransformRowNum);
}
