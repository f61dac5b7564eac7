#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

// Random lists of every kind (short and long, past the pruning at 201 and the age wrap at 511,
// repeated values, values just below 1, tight clusters) against the plain model and the
// entry-by-entry reference, for windows from nothing to more than the whole circle.
TEST (RecentPhaseList, MatchesAPlainModelAndTheBruteForceReference)
{
    std::mt19937 random (1234);
    const float windows[] = { 30.0f, 5.0f, 0.0f, -10.0f, 120.0f, 360.0f, 400.0f, 0.001f };

    for (int trial = 0; trial < 1500; ++trial)
    {
        RelaxedAtomic<float> window (windows[trial % 8]);
        KeysteadProcessor::OrderedS1ValueListWithReference list (&window);
        ModelList model;
        const int steps = trial % 100 == 0 ? 1500 : (int) (random() % 50) + (trial % 5 == 0 ? 200 : 0);
        const float centre = (float) (random() % 1000) / 1000.0f;

        for (int step = 0; step < steps; ++step)
        {
            float p;
            switch (random() % 5)
            {
                case 0:  p = (float) (random() % 8) / 8.0f; break;
                case 1:  p = 1.0f - (float) (random() % 4) * 1.0e-7f; break;
                case 2:  p = centre + (float) ((int) (random() % 2001) - 1000) / 20000.0f; break;
                case 3:  p = model.entries.empty() ? 0.5f : model.entries[random() % model.entries.size()].value; break;
                default: p = (float) (random() % 1000000) / 1000000.0f; break;
            }
            p -= std::floor (p);
            if (p >= 1.0f) p = 0.0f;

            if (random() % 3 == 0) { list.EraseValue (p); model.erase (p); }
            else                   { list.InsertValue (p, 0.5f); model.insert (p); }

            ASSERT_EQ (valuesOf (list.values), valuesOf (model.entries)) << "trial " << trial << " step " << step;
            ASSERT_LE (list.ageCounter, 511);
            for (const auto& e : list.values)
                ASSERT_TRUE (list.ageCounter - e.age >= 0 && list.ageCounter - e.age <= 200) << trial;
        }

        list.UpdateReference();
        ASSERT_EQ (list.reference.value, bruteForceReference (valuesOf (model.entries), window)) << "trial " << trial;
    }
}
