# Files that define helpers under the same names as another file of their
# folder (file-local constants, types and functions), so they cannot share a
# batch with it; each compiles on its own. Renaming such a helper, or using
# the shared one where it exists, takes the file off this list.
set(_separate
  src/app/batch/BatchRun.cpp
  src/app/calculators/PowerLawCalibration.cpp
  src/app/datacmds/CopyCommands.cpp
  src/app/datacmds/SaveCommands.cpp
  src/app/eqtest/EqTestCommand.cpp
  src/app/eqtest/RealtimeUpdate.cpp
  src/app/equilibrium/MStarCMSmoothing.cpp
  src/app/equilibrium/MwHingeInfo.cpp
  src/app/equilibrium/MwScreen.cpp
  src/app/equilibrium/MwScreenPlots.cpp
  src/app/external/DlsImportCommands.cpp
  src/app/external/ExternalPrograms.cpp
  src/app/generate/GenerateCommands.cpp
  src/app/interaction/DistributionPeaks.cpp
  src/app/interaction/RightButton.cpp
  src/app/loading/DroppedFiles.cpp
  src/app/models/ContinuousSpecialCommands.cpp
  src/app/models/DiscreteModelCommands.cpp
  src/app/options/PreferenceFile.cpp
  src/app/params/PriorKnowledgeCommands.cpp
  src/app/serial/SerialFitCommands.cpp
  src/app/serial/SerialFitStep.cpp
  src/app/viewcmds/WindowHelpers.cpp
  src/display/CursorLineDrawing.cpp
  src/display/DirectRedraws.cpp
  src/display/PrintedPage.cpp
  src/distributions/ContiFitDisplay.cpp
  src/distributions/ScaleRegularization.cpp
  src/distributions/StoredDistribution.cpp
  src/engines/CosoluteSolver.cpp
  src/engines/InhomogeneousSolventDialog.cpp
  src/engines/LocalSedimentation.cpp
  src/engines/MovingHatEngine.cpp
  src/engines/ReactingABSystem.cpp
  src/equilibrium/EquilibriumKernels.cpp
  src/lamm/MovingFramePropagation.cpp
  src/models/FitResultModelLines.cpp
  src/models/LammPreferenceFile.cpp
  src/models/ParametersCommand.cpp
  src/plot/PlotColorBar.cpp
  src/tools/SvdfrExport.cpp
  tests/app/DistributionTimeCourseTest.cpp
  tests/app/ErrorEstimateCommandsTest.cpp
  tests/batch/BatchFailuresTest.cpp
  tests/batch/BatchProgramTest.cpp
  tests/data/DataFingerprintTest.cpp
  tests/data/FitLimitIndicesTest.cpp
  tests/distributions/GStarBoundaryModelTest.cpp
  tests/engines/LocalSedimentationTest.cpp
  tests/engines/ReactingABEngineTest.cpp
  tests/equilibrium/EquilibriumKernelsTest.cpp
  tests/lamm/ConcDependentPropagationTest.cpp
  tests/lamm/ConcDependentTest.cpp
  tests/lamm/LammListsTest.cpp
  tests/lamm/LammSolveTest.cpp
  tests/lamm/LammSpeedScheduleTest.cpp
  tests/lamm/MovingFrameTest.cpp
  tests/lamm/TimeLoopAllocationTest.cpp
  tests/lamm/VolumeFractionFactorsTest.cpp
  tests/models/ErrorProjectionsTest.cpp
  tests/models/FitDriverTest.cpp
  tests/models/GlobalArrayRoadsTest.cpp
  tests/models/LinearParametersTest.cpp
  tests/models/MovingGridEngineTest.cpp
  tests/models/SimulateModelTest.cpp
  tests/models/SimulatedAnnealingTest.cpp
  tests/plot/PlotOverlaysTest.cpp
)
list(TRANSFORM _separate PREPEND ${PROJECT_SOURCE_DIR}/)
# Only folders that the build adds take source properties.
set(_folders ${PROJECT_SOURCE_DIR}/src)
if(TALUVO_TESTS)
  list(APPEND _folders ${PROJECT_SOURCE_DIR}/tests)
endif()
set_source_files_properties(${_separate} DIRECTORY ${_folders}
                            PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
