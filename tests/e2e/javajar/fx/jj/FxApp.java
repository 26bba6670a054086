package jj;

import javafx.application.Application;
import javafx.application.Platform;
import javafx.stage.Stage;

/** A JavaFX application as java starts it: no main method of its own. */
public final class FxApp extends Application {
  @Override
  public void start(Stage stage) {
    System.out.println("FX START " + getParameters().getRaw());
    Platform.exit();
  }
}
