#pragma once
// A distribution result exists and is shown. Set when a distribution is
// stored; cleared by every load and by the synthetic-data generator, since a
// result no longer belongs to the data then.
extern bool DistributionShown;
