#include "transforms/catalogue.h"

#include "transforms/transformdedupe.h"
#include "transforms/transformsort.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    catalogue.add(new TransformDedupe);
    catalogue.add(new TransformSort);
}
