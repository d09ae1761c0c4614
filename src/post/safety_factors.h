// Element and pillar safety factors of one seam and the stiffness of one
// pillar, as functions of the seam's grids, the material table and the
// pillars found by IdentifyPillars (post/pillars.h). They read nothing else,
// so a test or another thread can call them without a model record.
//
// Refused codes end the run: the routine writes its message and the element
// line through `messages`, shows its box(es) and throws FatalExit.
#pragma once

#include "core/message_sink.h"
#include "model/seam_view.h"
#include "post/pillars.h"

namespace kavrel {

// Element strain safety factor of every element into out[1..nx][1..ny]:
// peak strain / strain for strain-softening and elastic-plastic coal, 0 for
// the other materials and for mined-out elements. Reads the seam's codes,
// convergence and thickness. A refused code ends the run (ES1 exit 1, a code
// outside the table ES2 exit 2, a material of no known type ES5 exit 5).
void ComputeElementSafetyFactors(const SeamView& seam, const MaterialTable& materials,
                                 MessageSink& messages, double** out);

// Pillar stress and strain safety factors of every element into
// stressSF/strainSF[1..nx][1..ny], both overwritten: 0 for mined-out elements
// and for pillars holding any material other than strain-softening or
// elastic-plastic coal; otherwise from the pillar's mean stress and strain
// against the peak of its stress-strain curve. `firstPillar` heads the seam's
// pillar list (null for none). Reads codes, convergence, stress and thickness.
void ComputePillarSafetyFactors(const SeamView& seam, const MaterialTable& materials,
                                const Pillar* firstPillar, MessageSink& messages,
                                double** stressSF, double** strainSF);

// Mean total stress and mean convergence of a pillar's elements, summed in the
// pillar's element order.
struct PillarMeans {
  double stress = 0;
  double convergence = 0;
};
PillarMeans PillarMeansOf(const SeamView& seam, const Pillar& pillar);

// A pillar's means and its stiffness: the smallest slope of its stress-strain
// curve divided by the seam thickness (stress per unit convergence; negative
// after the peak of softening coal). A pillar holding anything but coal of
// types 1..3 ends the run with PSD1 (a box only, exit 2).
struct PillarStiffnessResult {
  PillarMeans means;
  double stiffness = 0;
};
PillarStiffnessResult ComputePillarStiffness(const SeamView& seam, const MaterialTable& materials,
                                             const Pillar& pillar, MessageSink& messages);

}  // namespace kavrel
