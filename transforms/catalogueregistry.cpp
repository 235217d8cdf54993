#include "transforms/catalogue.h"
#include "transforms/transformcross.h"
#include "transforms/transformintersect.h"
#include "transforms/transformjoin.h"
#include "transforms/transformlookup.h"
#include "transforms/transformsubtract.h"

#include "transforms/transformdedupe.h"
#include "transforms/transformsort.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    catalogue.add(new TransformCross);
    catalogue.add(new TransformIntersect);
    catalogue.add(new TransformJoin);
    catalogue.add(new TransformLookup);
    catalogue.add(new TransformSubtract);
    catalogue.add(new TransformDedupe);
    catalogue.add(new TransformSort);
}
