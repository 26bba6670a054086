package e2e.real;

import java.security.KeyPairGenerator;

// What real applications do that jdeps alone misses: a class of a JDK
// package (a split package), a multi-release class, a service provider.
public class Main {
  public static void main(String[] args) throws Exception {
    System.out.println(javax.xml.namespace.Extra.name());
    System.out.println(Feature.name());
    KeyPairGenerator ec = KeyPairGenerator.getInstance("EC");
    ec.initialize(256);
    System.out.println("EC " + ec.generateKeyPair().getPublic().getAlgorithm());
  }
}
